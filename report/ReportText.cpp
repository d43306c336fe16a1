#include "ReportText.h"

#include "CFormat.h"
#include "CapabilityClockControl.h"
#include "HostText.h"

namespace brisvander {

std::string ReportHostLine(const std::string& host)
{
    return "Verbinde mit SNTP Zeitserver: " + EscapeControlCharacters(host) + "\n";
}

std::string ReportSyncAnnouncement()
{
    return "Die Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n";
}

std::string ReportPreamble(ReportCommand command, const std::string& host)
{
    std::string text = ReportHostLine(host);
    if (command == ReportCommand::Sync)
        text += ReportSyncAnnouncement();
    return text;
}

std::string ReportTimestampLine(const char* label, const SYSTEMTIME& utc)
{
    return CFormat("%s%02d.%02d.%04d\t%02d:%02d:%02d.%03d\n", label, int{utc.wDay}, int{utc.wMonth},
                   int{utc.wYear}, int{utc.wHour}, int{utc.wMinute}, int{utc.wSecond}, int{utc.wMilliseconds});
}

std::string ReportSuccessBody(const SntpResult& result)
{
    // All four are converted before any is formatted.
    const SYSTEMTIME t1 = result.OriginateTimestamp.ToSystemTime();
    const SYSTEMTIME t2 = result.ReceiveTimestamp.ToSystemTime();
    const SYSTEMTIME t3 = result.TransmitTimestamp.ToSystemTime();
    const SYSTEMTIME t4 = result.DestinationTimestamp.ToSystemTime();

    std::string text = "Diese Daten wurde vom NTP Server übertragen:\n\n";
    text += "\t\t\tDD.MM.YYYY\tHH:MM:SS.MS\n";
    text += ReportTimestampLine("Client Orginal Daten:\t", t1);
    text += ReportTimestampLine("Server Receive Daten:\t", t2);
    text += ReportTimestampLine("Server Transmit Daten:\t", t3);
    text += ReportTimestampLine("Client Ziel Daten:\t\t", t4);
    text += "\n";
    text += CFormat("Verzögerung:\t\t%f Sekunden.\n", result.RoundtripDelay);
    text += CFormat("Differenz zur Lokalzeit:\t%f Sekunden.\n", result.ClockOffset);
    return text;
}

std::string ReportQueryFailure(std::uint32_t error, const std::string& reason)
{
    std::string text = CFormat("Fehler, konnte keine Zeit vom NTP Server erhalten.\n\t\tAnderen wählen oder "
                               "nochmal versuchen.\n(Fehler Nr. %d)\n",
                               static_cast<int>(error));
    if (!reason.empty())
        text += EscapeControlCharacters(reason) + "\n";
    return text + "\nOK.";
}

std::string ReportServerMayLackNts(const std::string& reason)
{
    return reason + ". Vielleicht bietet der Server kein NTS an; NTS ist eingeschaltet („Authentifizierte Zeit "
                    "(NTS)“, --nts).";
}

std::string ReportNamedNtpServer(const std::string& ntpServer, int port)
{
    return "Der Schlüsselaustausch nannte als NTP-Server " + ntpServer + " Port " + std::to_string(port) + ".";
}

std::string ReportAuthenticatedBy(const std::string& keyExchangeServer)
{
    return "Die Zeit ist mit NTS authentifiziert (Schlüsselaustausch mit " + EscapeControlCharacters(keyExchangeServer) +
           ").\n";
}

std::string ReportClockFailureReason(ClockSetting setting)
{
    switch (setting) {
    case ClockSetting::Set:
        return {};
    case ClockSetting::NoRight:
        return "Zum Stellen der Uhr sind Administratorrechte nötig, und kein Zeitdienst des Systems (timedated) "
               "kann danach fragen. Bitte als Administrator (root) ausführen.";
    case ClockSetting::NotAuthorised:
        return "Die Berechtigung zum Stellen der Uhr wurde verweigert oder die Abfrage abgebrochen. Zum Stellen der "
               "Uhr ist das Kennwort eines Administrators nötig.";
    case ClockSetting::AutomaticSyncOn:
        return "Die automatische Zeitsynchronisation des Systems ist eingeschaltet, deshalb stellt der Zeitdienst "
               "die Uhr nicht. Ausschalten mit: timedatectl set-ntp false";
    case ClockSetting::NoAgent:
        return "Hier kann kein Kennwort abgefragt werden (kein Authentifizierungsagent, etwa über SSH). Bitte mit sudo "
               "ausführen.";
    case ClockSetting::NoAnswer:
        return "Der Zeitdienst hat nicht innerhalb von zwei Minuten geantwortet. Ob die Uhr noch gestellt wird, ist "
               "unbekannt; bitte später mit Info prüfen.";
    case ClockSetting::StillPending:
        return "Eine frühere Anfrage an den Zeitdienst ist noch offen und kann die Uhr noch stellen; deshalb wurde "
               "keine zweite gestellt. Bitte später mit Info prüfen.";
    case ClockSetting::NoBus:
        return "Es gibt keinen Systembus (D-Bus), über den der Zeitdienst des Systems (timedated) gefragt werden "
               "könnte. Zum Stellen der Uhr sind Administratorrechte nötig: Bitte als Administrator (root) ausführen.";
    case ClockSetting::NoService:
        return "Auf dem Systembus gibt es keinen Zeitdienst (timedated), etwa auf einem System ohne systemd. Zum "
               "Stellen der Uhr sind Administratorrechte nötig: Bitte als Administrator (root) ausführen.";
    case ClockSetting::RightOutOfReach:
        return "Hier fehlt das Recht, die Uhr zu stellen (" + std::string(ClockRightName) +
               "), auch als Administrator (root), und kein Zeitdienst des Systems kann sie stellen. So ist es etwa "
               "in einem Container: Die Uhr gehört dem Wirtssystem und ist dort zu stellen.";
    case ClockSetting::KernelRefused:
        return "Das Recht zum Stellen der Uhr (" + std::string(ClockRightName) +
               ") war vorhanden, doch das System hat das Stellen verweigert, etwa in einem Container: Die Uhr "
               "gehört dem Wirtssystem und ist dort zu stellen.";
    case ClockSetting::ServiceGone:
        return "Der Zeitdienst (timedated) hat sich beendet, ohne zu antworten. Ob die Uhr gestellt wurde, ist "
               "unbekannt; bitte mit Info prüfen.";
    case ClockSetting::Failed:
        break;
    }
    return "Das System hat die neue Zeit nicht übernommen.";
}

std::string ReportClockOutcome(ClockSetting setting)
{
    if (setting == ClockSetting::Set)
        return "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.";
    return "Fehler beim setzen der lokalen Rechner Zeit.\n" + ReportClockFailureReason(setting) + "\n\nOK.";
}

std::string ReportSampleSummary(const std::vector<SampleOutcome>& samples, int asked,
                                std::optional<std::size_t> chosen, bool cookiesRanOut)
{
    const int taken = static_cast<int>(samples.size());
    std::string text;
    if (taken < asked && cookiesRanOut)
        text = CFormat("%d von %d Messungen durchgeführt (keine NTS-Cookies mehr)", taken, asked);
    else if (taken < asked && !samples.empty())
        text = CFormat("%d von %d Messungen durchgeführt (Abbruch nach Fehler Nr. %d)", taken, asked,
                       static_cast<int>(samples.back().Error));
    else
        text = CFormat(taken == 1 ? "%d Messung durchgeführt" : "%d Messungen durchgeführt", taken);
    if (!chosen)
        return text + ", keine war erfolgreich.";
    text += CFormat(", verwendet wurde Nr. %d", static_cast<int>(*chosen) + 1);
    return text + (taken > 1 ? " (kleinste Verzögerung)." : ".");
}

} // namespace brisvander
