// The main window's command ids, control ids, notification codes and the notification records
// the controls send, valued as Win32 values them. The widgets' signals are translated into
// these, so the controller dispatches exactly as the window procedure did.
#pragma once

class QWidget;

namespace quillon {

// Menu and accelerator commands.
constexpr int IDM_ABOUT = 104;
constexpr int IDM_EXIT = 105;

// Control ids, fixed by the window's layout.
constexpr int IDC_SET_SELECTOR = 500;
constexpr int IDC_TYPE_SELECTOR = 501;
constexpr int IDC_DESTINATION_LIST = 502;
constexpr int IDC_USE_INSTALLED = 503;
constexpr int IDC_SOURCE_TREE = 504;
constexpr int IDC_LIBRARY_TREE = 505;
constexpr int IDC_BLEND_BUTTON = 506;
constexpr int IDC_PREVIEW_BUTTON = 507;
constexpr int IDC_SOURCE_PREVIEW = 508;
constexpr int IDC_MOD_PREVIEW = 509;
constexpr int IDC_FINAL_PREVIEW = 510;

// WM_COMMAND notification codes (the high word of wParam).
constexpr int BN_CLICKED = 0;
constexpr int CBN_SELCHANGE = 1;
constexpr int STN_CLICKED = 0;
constexpr int STN_DBLCLK = 1;
constexpr int ACCELERATOR_COMMAND = 1; // the code of a command made by an accelerator key

// WM_NOTIFY codes.
constexpr int NM_FIRST = 0;
constexpr int NM_CLICK = NM_FIRST - 2;
constexpr int NM_DBLCLK = NM_FIRST - 3;
constexpr int LVN_FIRST = -100;
constexpr int LVN_ITEMCHANGED = LVN_FIRST - 1;
constexpr int TVN_FIRST = -400;
constexpr int TVN_SELCHANGEDA = TVN_FIRST - 2;

// List-view item state.
constexpr unsigned LVIF_STATE = 0x0008;
constexpr unsigned LVIS_STATEIMAGEMASK = 0xF000;
constexpr unsigned INDEXTOSTATEIMAGEMASK(unsigned index) {
    return index << 12;
}

// Check box state.
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// Posted by a preview pop-up to the main window when it has been closed.
constexpr int WM_USER = 0x0400;
constexpr int WM_APP_PREVIEW_CLOSED = WM_USER + 42;

// The header every notification starts with (NMHDR).
struct NotificationHeader {
    QWidget* From = nullptr; // the sending control
    int IdFrom = 0;          // its control id
    int Code = 0;            // the notification code
};

// A list-view item change (NMLISTVIEW); starts with the header, so a pointer to the header of a
// LVN_ITEMCHANGED notification may be taken back to this record.
struct ListViewNotification {
    NotificationHeader Header;
    int Item = -1;
    unsigned NewState = 0;
    unsigned OldState = 0;
    unsigned Changed = 0; // LVIF_STATE when the state changed
};

} // namespace quillon
