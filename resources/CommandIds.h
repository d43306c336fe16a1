#pragma once
// Numeric ids shared by menu, toolbar, accelerators, string table and the
// command tables of the classes that handle them.

namespace brisvander {

// The message shown when the program cannot open datagram sockets.
inline constexpr int IDP_SOCKETS_INIT_FAILED = 104;
// The output area's tooltip.
inline constexpr int IDS_OUTPUT_TIMES_UTC = 105;
// The message shown when no program can show the manual; %1 is its path.
inline constexpr int IDP_MANUAL_NOT_OPENED = 106;

// Commands of this program.
inline constexpr int ID_SERVER_INFO = 32771;
inline constexpr int ID_SERVER_SYNC = 32772;
inline constexpr int ID_HELP_MANUAL = 32776;
inline constexpr int ID_OPTIONS_AUTOSTART = 32780;
inline constexpr int ID_OPTIONS_NTS = 32781;      // authenticated time always
inline constexpr int ID_OPTIONS_NTS_OFF = 32784;  // authenticated time off
inline constexpr int ID_OPTIONS_NTS_AUTO = 32785; // authenticated time where the server offers it
inline constexpr int ID_VIEW_HISTORY = 32782;  // Ansicht > Verlauf
inline constexpr int ID_SERVER_SURVEY = 32783; // Zeitserver > Alle Server prüfen...
inline constexpr int ID_SERVER_WATCH = 32790;  // Zeitserver > Beobachten

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

} // namespace brisvander
