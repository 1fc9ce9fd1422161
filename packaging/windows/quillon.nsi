; Quillon's Windows installer: per user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Quillon, with Start menu entries and an uninstaller that leaves the
; player's workspace (%APPDATA%\Quillon) alone. scripts/package --windows builds it:
;   makensis -DVERSION=<version> -DSTAGE=<folder of the files> -DOUTFILE=<setup.exe> [-DWITH_GUI]
; The programs are 64-bit, so is the installer: it also runs where no 32-bit layer is installed.
Target amd64-unicode
!ifndef VERSION | STAGE | OUTFILE
  !error "VERSION, STAGE and OUTFILE must be defined"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"

Name "Quillon ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Quillon"
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Quillon"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Quillon installer"
VIAddVersionKey "LegalCopyright" "Quillon developers"

!include "MUI2.nsh"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Quillon"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}\quillon-cli.exe"
!ifdef WITH_GUI
  File "${STAGE}\quillon.exe"
!endif
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\share\quillon\SetDefs"
  File "${STAGE}\share\quillon\SetDefs\*.xml"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Shortcuts start in the player's profile folder, which is no workspace, so the programs take
  ; their own (%APPDATA%\Quillon), not the install folder.
  SetOutPath "$PROFILE"
  CreateDirectory "$SMPROGRAMS\Quillon"
!ifdef WITH_GUI
  CreateShortCut "$SMPROGRAMS\Quillon\Quillon.lnk" "$INSTDIR\quillon.exe"
!endif
  CreateShortCut "$SMPROGRAMS\Quillon\Quillon Command Prompt.lnk" "$SYSDIR\cmd.exe" \
    '/k set "PATH=$INSTDIR;%PATH%" && quillon-cli --help'
  CreateShortCut "$SMPROGRAMS\Quillon\Quillon README.lnk" "$INSTDIR\README.txt"
  CreateShortCut "$SMPROGRAMS\Quillon\Uninstall Quillon.lnk" "$INSTDIR\uninstall.exe"

  ; Apps and Features, for this user only.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillon"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quillon developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\quillon-cli.exe"
  Delete "$INSTDIR\quillon.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\share\quillon\SetDefs\*.xml"
  RMDir "$INSTDIR\share\quillon\SetDefs"
  RMDir "$INSTDIR\share\quillon"
  RMDir "$INSTDIR\share"
  Delete "$INSTDIR\uninstall.exe"
  ; Not recursive: a portable workspace the player made here (portable.txt) keeps its files.
  RMDir "$INSTDIR"
  ; The per-user programs folder, only when this install made it and nothing else is in it.
  RMDir "$LOCALAPPDATA\Programs"
  Delete "$SMPROGRAMS\Quillon\*.lnk"
  RMDir "$SMPROGRAMS\Quillon"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
