#include "ReportText.h"

#include "CFormat.h"
#include "FailureText.h"
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

std::string ReportServerMayLackNts(const std::string& reason, bool whenOffered)
{
    return reason + ". Vielleicht bietet der Server kein NTS an; NTS ist eingeschaltet (" +
           (whenOffered ? "„Authentifizierte Zeit (NTS) wenn angeboten“, --nts-auto"
                        : "„Authentifizierte Zeit (NTS) immer“, --nts") +
           ").";
}

std::string ReportNamedNtpServer(const std::string& ntpServer, int port)
{
    return "Der Schlüsselaustausch nannte als NTP-Server " + ntpServer + " Port " + std::to_string(port) + ".";
}

std::string ReportAuthenticatedBy(const std::string& keyExchangeServer, bool storedSession, bool periodUnchecked)
{
    std::string line = "Die Zeit ist mit NTS authentifiziert (" +
                       std::string(storedSession ? "gespeicherte Sitzung, früherer " : "") + "Schlüsselaustausch mit " +
                       EscapeControlCharacters(keyExchangeServer) + ").";
    if (periodUnchecked)
        line += " Der Gültigkeitszeitraum des Zertifikats wurde nicht geprüft (--nts-ignore-cert-time).";
    return line + "\n";
}

std::string ReportNotAuthenticated(const std::string& keyExchangeServer, const std::string& reason)
{
    return "Die Zeit ist nicht authentifiziert: Kein NTS beim Schlüsselaustausch mit " +
           EscapeControlCharacters(keyExchangeServer) + " (" + EscapeControlCharacters(reason) +
           "), daher ohne NTS abgefragt.\n";
}

std::string ReportClockOutcome(const std::optional<Failure>& failure)
{
    if (!failure)
        return "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.";
    return "Fehler beim setzen der lokalen Rechner Zeit.\n" + FailureText(*failure) + "\n\nOK.";
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
