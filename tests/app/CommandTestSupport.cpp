#include "CommandTestSupport.h"

#include "BackgroundJob.h"
#include "BackgroundTimeCommand.h"
#include "LocalNameLookup.h"

#include <QApplication>


namespace brisvander::testsupport {

CommandTest::CommandTest()
{
    // The odd host names some tests type must not reach a name server.
    EXPECT_TRUE(KeepNameLookupsLocal());
    // Nor may a survey ask anything but loopback servers: never the real list.
    m_survey.Run = [](std::span<const std::string> hosts, const SurveyPlan& plan) {
        for (const std::string& host : hosts) {
            if (host.rfind("127.", 0) != 0) {
                ADD_FAILURE() << "a survey would ask " << host;
                return std::vector<HostSurvey>(hosts.size());
            }
        }
        return RunSurvey(hosts, plan);
    };
}

CommandTest::~CommandTest()
{
    m_app.reset();
    EXPECT_TRUE(WaitForAbandonedTimeCommands(15000));
    EXPECT_TRUE(WaitForAbandonedJobs(15000));
}

void CommandTest::Run(int commandId)
{
    Begin(commandId);
    EXPECT_TRUE(WaitForCommandEnd()) << "command " << commandId << " still runs";
}

bool CommandTest::WaitForCommandEnd(int milliseconds)
{
    // Events queued before the run's end (an Autostart's start) come first.
    QApplication::processEvents();
    return WaitUntil([this] { return !CommandRunning(); }, milliseconds);
}

CBrisvanderApp& CommandTest::Start(const QByteArray& settings, int port, const NtsOptions& nts)
{
    WriteSettingsFile(settings);
    AppSeams seams;
    seams.Time.Port = port;
    seams.Time.Nts = nts;
    seams.Time.Clock = &m_clock;
    seams.Survey = m_survey;
    seams.AskWatchInterval = [this](QWidget*) { return m_watchInterval; };
    m_app.emplace(seams);
    EXPECT_TRUE(m_app->InitInstance());
    return *m_app;
}

std::string QueryFailureReport(const std::string& host, bool sync, int error)
{
    return "Verbinde mit SNTP Zeitserver: " + host + "\n" +
           (sync ? "Die Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n" : "") +
           "Fehler, konnte keine Zeit vom NTP Server erhalten.\n\t\tAnderen wählen oder nochmal versuchen.\n"
           "(Fehler Nr. " + std::to_string(error) + ")\n\nOK.";
}

} // namespace brisvander::testsupport
