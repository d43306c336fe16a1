#include "StringTable.h"

#include "CommandIds.h"

namespace brisvander {

namespace {
struct StringEntry {
    int Id;
    std::string_view Text;
};

constexpr StringEntry s_stringTable[] = {
    {IDP_SOCKETS_INIT_FAILED, "Fehler beim Initialisieren der Windows-Sockets."},
    {IDS_OUTPUT_TIMES_UTC, "Alle Datums- und Zeitangaben der Ausgabe sind UTC (Weltzeit), nicht die Ortszeit."},
    {IDP_MANUAL_NOT_OPENED, "Die Anleitung kann nicht angezeigt werden: Auf diesem Rechner ist kein Programm "
                            "eingerichtet, das HTML-Seiten öffnet (kein Webbrowser gefunden).\n\n"
                            "Sie können die Anleitung selbst in einem Browser öffnen. Sie liegt hier:\n%1"},
    {AFX_IDS_APP_TITLE, "Brisvander"},
    {AFX_IDS_IDLEMESSAGE, "Bereit"},
    {ID_INDICATOR_CAPS, "UF"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "RF"},
    {ID_APP_EXIT, "Beendet das Programm.\nBeenden"},
    {ID_SERVER_INFO, "Verbindet mit dem Zeitserver und zeigt Infos an.\nVERBINDEN"},
    {ID_SERVER_SYNC, "Verbinden mit Zeitserver und Zeitsynchronisation mit Systemzeit\nSYNCHRONISIEREN"},
    {ID_OPTIONS_AUTOSTART, "Autostart des Programmes"},
    {ID_OPTIONS_NTS, "Prüft immer mit Network Time Security, dass die Zeit wirklich vom gewählten Server kommt; "
                     "ohne NTS keine Zeit.\nNTS immer"},
    {ID_OPTIONS_NTS_OFF, "Fragt den Zeitserver ohne Network Time Security: Die Zeit ist nicht authentifiziert.\nNTS aus"},
    {ID_OPTIONS_NTS_AUTO, "Prüft mit Network Time Security, wo der Server es anbietet; sonst ohne NTS, und der "
                          "Bericht sagt es.\nNTS wenn angeboten"},
    {ID_VIEW_TOOLBAR, "Blendet die Symbolleiste ein oder aus.\nSymbolleiste ein-/ausschalten"},
    {ID_VIEW_STATUS_BAR, "Blendet die Statusleiste ein oder aus.\nStatusleiste ein-/ausschalten"},
    {ID_VIEW_HISTORY, "Zeigt die bisherigen Messungen als Diagramm, mit der Drift der Uhr.\nVerlauf"},
    {ID_SERVER_WATCH, "Fragt den gewählten Server immer wieder und zeichnet seinen Offset auf.\nBeobachten"},
    {ID_SERVER_SURVEY, "Fragt alle Server der Liste und zeigt, welche übereinstimmen.\nAlle Server prüfen"},
    {ID_HELP_MANUAL, "Hilfe und Anleitung.\nHilfe"},
    {ID_APP_ABOUT, "Zeigt Programm-Informationen, Versionsnummer und Copyright an.\nInfo"},
};
} // namespace

std::string_view LoadResourceString(int id)
{
    for (const StringEntry& entry : s_stringTable) {
        if (entry.Id == id)
            return entry.Text;
    }
    return {};
}

std::string_view CommandPrompt(int id)
{
    const std::string_view text = LoadResourceString(id);
    return text.substr(0, text.find('\n'));
}

std::string_view CommandTooltip(int id)
{
    const std::string_view text = LoadResourceString(id);
    const std::size_t newline = text.find('\n');
    return newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
}

} // namespace brisvander
