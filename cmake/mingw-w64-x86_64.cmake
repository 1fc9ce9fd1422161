# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 in its posix thread model (GCC 12's
# win32 model has no std::thread). libgcc, libstdc++ and winpthread are linked statically, so a
# program imports only system DLLs. Libraries for Windows are looked for only in MinGW's own
# folder and in QUILLON_WINDOWS_DEPS (default build-windows/deps, made by scripts/build-windows).
#
#     cmake -S . -B build-windows/quillon \
#           -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLON_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLON_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW}-windres)
set(CMAKE_AR ${QUILLON_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUILLON_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

# An environment variable, unlike a cache entry, also reaches the try_compile projects.
if(DEFINED ENV{QUILLON_WINDOWS_DEPS})
    set(QUILLON_WINDOWS_DEPS $ENV{QUILLON_WINDOWS_DEPS})
else()
    get_filename_component(QUILLON_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build-windows/deps
                           ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_MINGW} ${QUILLON_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config sees only the .pc files of the Windows libraries, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} ${QUILLON_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# -static also takes winpthread (and libgomp, libssp) from their archives instead of DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs and try_run run under Wine.
find_program(QUILLON_WINE NAMES wine)
if(QUILLON_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLON_WINE})
endif()
