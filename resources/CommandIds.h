#pragma once
// Numeric ids shared by menu, toolbar, accelerators, string table and the
// command tables of the classes that handle them.

namespace brisvander {

// Resource id of the frame's menu, accelerators, toolbar, icon and the
// document template string.
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDD_MAIN_FORM = 101;
inline constexpr int IDD_AUTOSTART = 135;
inline constexpr int IDP_SOCKETS_INIT_FAILED = 104;

// Controls of the main form and the Autostart dialog.
inline constexpr int IDC_OUTPUT = 1001;
inline constexpr int IDC_SERVER = 1002;
inline constexpr int IDC_WEBLINK = 1003;
inline constexpr int IDC_AUTOSTART_CHECK = 1004;

// Commands of this program.
inline constexpr int ID_SERVER_INFO = 32771;
inline constexpr int ID_SERVER_SYNC = 32772;
inline constexpr int ID_HELP_MANUAL = 32776;
inline constexpr int ID_OPTIONS_AUTOSTART = 32780;

// Commands and strings with the framework's standard numbers.
inline constexpr int AFX_IDS_APP_TITLE = 57344;
inline constexpr int AFX_IDS_IDLEMESSAGE = 57345;
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int AFX_IDW_TOOLBAR = ID_VIEW_TOOLBAR;
inline constexpr int AFX_IDW_STATUS_BAR = ID_VIEW_STATUS_BAR;
// First of the system-menu prompts; the string of a system command code c is
// AFX_IDS_SCFIRST + (c - 0xF000) / 16.
inline constexpr int AFX_IDS_SCFIRST = 61184;

} // namespace brisvander
