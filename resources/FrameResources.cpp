#include "FrameResources.h"

#include "CommandIds.h"

namespace brisvander {

namespace {
constexpr MenuItemResource s_fileItems[] = {{"&Beenden", ID_APP_EXIT}};
constexpr MenuItemResource s_serverItems[] = {{"&Info", ID_SERVER_INFO},
                                               {"&Abgleichen", ID_SERVER_SYNC},
                                               {{}, 0},
                                               {"&Beobachten", ID_SERVER_WATCH},
                                               {"Alle Server &prüfen...", ID_SERVER_SURVEY}};
// The three NTS items are one choice: the frame shows them as radio items.
constexpr MenuItemResource s_optionItems[] = {{"&Autostart ...", ID_OPTIONS_AUTOSTART},
                                               {{}, 0},
                                               {"Authentifizierte Zeit (NTS) a&us", ID_OPTIONS_NTS_OFF},
                                               {"Authentifizierte Zeit (NTS) &wenn angeboten", ID_OPTIONS_NTS_AUTO},
                                               {"Authentifizierte Zeit (&NTS) immer", ID_OPTIONS_NTS}};
constexpr MenuItemResource s_viewItems[] = {
    {"&Symbolleiste", ID_VIEW_TOOLBAR}, {"S&tatusleiste", ID_VIEW_STATUS_BAR}, {{}, 0}, {"&Verlauf", ID_VIEW_HISTORY}};
constexpr MenuItemResource s_helpItems[] = {{"&Hilfe", ID_HELP_MANUAL}, {"Inf&o über Brisvander...", ID_APP_ABOUT}};

constexpr MenuResource s_mainMenu[] = {
    {"&Datei", s_fileItems},
    {"&Zeitserver", s_serverItems},
    {"&Optionen", s_optionItems},
    {"&Ansicht", s_viewItems},
    {"&?", s_helpItems},
};

constexpr ToolbarButtonResource s_mainToolbar[] = {
    {ID_APP_EXIT, ":/icons/exit.svg"},
    {0, {}},
    {ID_SERVER_INFO, ":/icons/info.svg"},
    {ID_SERVER_SYNC, ":/icons/sync.svg"},
    {0, {}},
    {ID_HELP_MANUAL, ":/icons/help.svg"},
    {ID_APP_ABOUT, ":/icons/about.svg"},
};

// Only the key that reaches behaviour of the program; the framework's open,
// save, print and clipboard defaults have nothing to do here.
constexpr AcceleratorResource s_mainAccelerators[] = {
    {"Ctrl+N", ID_FILE_NEW},
};
} // namespace

std::span<const MenuResource> MainMenu() { return s_mainMenu; }
std::span<const ToolbarButtonResource> MainToolbar() { return s_mainToolbar; }
std::span<const AcceleratorResource> MainAccelerators() { return s_mainAccelerators; }

} // namespace brisvander
