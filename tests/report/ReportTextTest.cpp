// The report is compared byte for byte: users and scripts read it.
#include "FailureText.h"
#include "ReportText.h"

#include <clocale>
#include <cstdlib>
#include <string>
#include <gtest/gtest.h>

#include <set>

using namespace brisvander;


namespace {
SntpResult SampleResult()
{
    SntpResult r;
    SYSTEMTIME st;
    st.wYear = 2026;
    st.wMonth = 12;
    st.wDay = 6;
    st.wHour = 3;
    st.wMinute = 22;
    st.wSecond = 41;
    st.wMilliseconds = 123;
    r.OriginateTimestamp = NtpTimestamp::FromSystemTime(st);
    r.ReceiveTimestamp = r.OriginateTimestamp.AddSeconds(0.5);
    r.TransmitTimestamp = r.OriginateTimestamp.AddSeconds(0.501);
    r.DestinationTimestamp = r.OriginateTimestamp.AddSeconds(0.0425);
    r.RoundtripDelay = 0.0425;
    r.ClockOffset = -1.5;
    return r;
}

const char* const kSampleBody = "Diese Daten wurde vom NTP Server übertragen:\n\n"
                                "\t\t\tDD.MM.YYYY\tHH:MM:SS.MS\n"
                                "Client Orginal Daten:\t06.12.2026\t03:22:41.123\n"
                                "Server Receive Daten:\t06.12.2026\t03:22:41.623\n"
                                "Server Transmit Daten:\t06.12.2026\t03:22:41.624\n"
                                "Client Ziel Daten:\t\t06.12.2026\t03:22:41.165\n\n"
                                "Verzögerung:\t\t0.042500 Sekunden.\n"
                                "Differenz zur Lokalzeit:\t-1.500000 Sekunden.\n";
} // namespace

TEST(ReportText, SuccessBodyIsExact)
{
    EXPECT_EQ(ReportSuccessBody(SampleResult()), kSampleBody);
}

TEST(ReportText, PreamblesAndOutcomes)
{
    EXPECT_EQ(ReportPreamble(ReportCommand::Info, "de.pool.ntp.org"), "Verbinde mit SNTP Zeitserver: de.pool.ntp.org\n");
    EXPECT_EQ(ReportPreamble(ReportCommand::Sync, " x "),
              "Verbinde mit SNTP Zeitserver:  x \nDie Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n");
    EXPECT_EQ(ReportQueryFailure(10060), "Fehler, konnte keine Zeit vom NTP Server erhalten.\n\t\tAnderen wählen "
                                         "oder nochmal versuchen.\n(Fehler Nr. 10060)\n\nOK.");
    EXPECT_EQ(ReportClockOutcome(std::nullopt), "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");
}

// Every way the setting can fail: the failure line, then one line of its own
// that says why and what to do, then "OK." as always.
TEST(ReportText, EachClockFailureHasItsOwnLineBetweenTheFailureLineAndOk)
{
    using Kind = FailureKind;
    const std::string head = "Fehler beim setzen der lokalen Rechner Zeit.\n";
    const std::string tail = "\n\nOK.";
    std::set<std::string> reasons;
    for (const Kind why : {Kind::ClockNoRight, Kind::ClockNotAuthorised, Kind::ClockAutomaticSyncOn,
                           Kind::ClockNoAgent, Kind::ClockNoAnswer, Kind::ClockStillPending, Kind::ClockRefused,
                           Kind::ClockNoBus, Kind::ClockNoService, Kind::ClockRightOutOfReach,
                           Kind::ClockServiceGone, Kind::ClockKernelRefused}) {
        const std::string text = ReportClockOutcome(FailureOf(why));
        const std::string reason = FailureText(FailureOf(why));
        EXPECT_EQ(text, head + reason + tail);
        EXPECT_GT(reason.size(), 20u);
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
        reasons.insert(reason);
    }
    EXPECT_EQ(reasons.size(), 12u);
    // What to do, named where the user can do it.
    auto reasonOf = [](Kind why) { return FailureText(FailureOf(why)); };
    EXPECT_NE(reasonOf(Kind::ClockAutomaticSyncOn).find("timedatectl set-ntp false"), std::string::npos);
    EXPECT_NE(reasonOf(Kind::ClockNoAgent).find("sudo"), std::string::npos);
    EXPECT_NE(reasonOf(Kind::ClockNoRight).find("Administrator"), std::string::npos);
    EXPECT_NE(reasonOf(Kind::ClockNoAnswer).find("unbekannt"), std::string::npos);
    // Where the clock is the host's, running as administrator is no advice.
    for (const Kind hostsClock : {Kind::ClockRightOutOfReach, Kind::ClockKernelRefused})
        EXPECT_EQ(reasonOf(hostsClock).find("ausführen"), std::string::npos);
}

// The NTS line after the offset: who vouched, whether through a kept session,
// whether the certificate's period went unchecked; or that nothing vouched.
TEST(ReportText, TheNtsLineSaysHowTheTimeWasOrWasNotAuthenticated)
{
    const std::string head = "Die Zeit ist mit NTS authentifiziert (";
    EXPECT_EQ(ReportAuthenticatedBy("time.example"), head + "Schlüsselaustausch mit time.example).\n");
    EXPECT_EQ(ReportAuthenticatedBy("localhost:4461", true),
              head + "gespeicherte Sitzung, früherer Schlüsselaustausch mit localhost:4461).\n");
    EXPECT_EQ(ReportAuthenticatedBy("time.example", false, true),
              head + "Schlüsselaustausch mit time.example). Der Gültigkeitszeitraum des Zertifikats wurde nicht "
                     "geprüft (--nts-ignore-cert-time).\n");
    EXPECT_EQ(ReportNotAuthenticated("time\x1b.example", "Zeitüberschreitung beim Schlüsselaustausch"),
              "Die Zeit ist nicht authentifiziert: Kein NTS beim Schlüsselaustausch mit time\\x1b.example "
              "(Zeitüberschreitung beim Schlüsselaustausch), daher ohne NTS abgefragt.\n");
    EXPECT_EQ(ReportServerMayLackNts("Server unterstützt kein NTS (ALPN)", true),
              "Server unterstützt kein NTS (ALPN). Vielleicht bietet der Server kein NTS an; NTS ist eingeschaltet "
              "(„Authentifizierte Zeit (NTS) wenn angeboten“, --nts-auto).");
}

TEST(ReportText, TheHostLineShowsControlCharactersEscaped)
{
    EXPECT_EQ(ReportHostLine("\x1b]0;owned\x07\x1b[2J127.0.0.1"),
              "Verbinde mit SNTP Zeitserver: \\x1b]0;owned\\x07\\x1b[2J127.0.0.1\n");
    EXPECT_EQ(ReportHostLine("zeit\nserver\t"), "Verbinde mit SNTP Zeitserver: zeit\\x0aserver\\x09\n");
    EXPECT_EQ(ReportHostLine(" zeitüberall.de "), "Verbinde mit SNTP Zeitserver:  zeitüberall.de \n");
}

TEST(ReportText, SampleSummarySaysHowManyAndWhich)
{
    SampleOutcome good;
    good.Succeeded = true;
    SampleOutcome timedOut;
    timedOut.Error = 10060;
    SampleOutcome kiss;
    kiss.Error = 20003;
    EXPECT_EQ(ReportSampleSummary({good, timedOut, good, good}, 4, 2),
              "4 Messungen durchgeführt, verwendet wurde Nr. 3 (kleinste Verzögerung).");
    EXPECT_EQ(ReportSampleSummary({good}, 1, 0), "1 Messung durchgeführt, verwendet wurde Nr. 1.");
    EXPECT_EQ(ReportSampleSummary({timedOut, timedOut}, 2, std::nullopt),
              "2 Messungen durchgeführt, keine war erfolgreich.");
    EXPECT_EQ(ReportSampleSummary({good, kiss}, 4, 0),
              "2 von 4 Messungen durchgeführt (Abbruch nach Fehler Nr. 20003), verwendet wurde Nr. 1 "
              "(kleinste Verzögerung).");
    EXPECT_EQ(ReportSampleSummary({kiss}, 3, std::nullopt),
              "1 von 3 Messungen durchgeführt (Abbruch nach Fehler Nr. 20003), keine war erfolgreich.");
}

namespace {
// The system's de_DE.UTF-8, else the one the test set-up builds into the build
// tree. LOCPATH points there for this one call only: set for longer, it would
// hide the system's locales from everything else in the process.
bool SetGermanLocale()
{
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr)
        return true;
    const char* previous = std::getenv("LOCPATH");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("LOCPATH", BRISVANDER_TEST_LOCALE_DIR, 1);
    const bool set = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    if (previous != nullptr)
        setenv("LOCPATH", saved.c_str(), 1);
    else
        unsetenv("LOCPATH");
    return set;
}
} // namespace

TEST(ReportText, DecimalPointWhateverTheLocale)
{
    // A German locale would print a comma through a plain printf.
    if (!SetGermanLocale())
        GTEST_SKIP() << "locale de_DE.UTF-8 is neither installed nor in " BRISVANDER_TEST_LOCALE_DIR
                        " (./test.sh builds it there)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    const std::string body = ReportSuccessBody(SampleResult());
    std::setlocale(LC_ALL, "C");
    EXPECT_NE(body.find("0.042500 Sekunden"), std::string::npos);
    EXPECT_NE(body.find("-1.500000 Sekunden"), std::string::npos);
}

TEST(ReportText, FieldWidthsAndCarry)
{
    SYSTEMTIME st;
    st.wYear = 905;
    st.wMonth = 1;
    st.wDay = 2;
    st.wHour = 3;
    st.wMinute = 4;
    st.wSecond = 5;
    st.wMilliseconds = 6;
    EXPECT_EQ(ReportTimestampLine("L\t", st), "L\t02.01.0905\t03:04:05.006\n");

    // 999.5 ms and more carries into the next second instead of printing 1000.
    SntpResult r;
    r.OriginateTimestamp = NtpTimestamp(3313526399u, 0xFFDF3B64u);
    const std::string body = ReportSuccessBody(r);
    EXPECT_NE(body.find("Client Orginal Daten:\t01.01.2005\t00:00:00.000\n"), std::string::npos) << body;
}
