#pragma once
// What the command tests share: a fake server on loopback, a recording clock
// that can also look at the program while the clock is being set, and the
// shape of a successful report.
#include "EventLoopWait.h"
#include "FakeSntpServer.h"
#include "GuiTestSupport.h"
#include "RecordingClockControl.h"
#include "ReportShape.h"
#include "SurveySource.h"

#include <QCursor>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace brisvander::testsupport {

class CommandTest : public SettingsSandbox {
protected:
    CommandTest();
    // No run may outlive the fake server and clock it was given.
    ~CommandTest() override;

    // Starts the program against `port` with `settings` as the stored file.
    CBrisvanderApp& Start(const QByteArray& settings, int port, const NtsOptions& nts = {});
    CBrisvanderApp& Start(const QByteArray& settings) { return Start(settings, m_server.Port()); }
    void TypeHost(const QString& host) { ServerCombo(*m_app)->setEditText(host); }
    // Gives the command to the frame and waits for its report.
    void Run(int commandId);
    // Gives the command to the frame and returns while it runs.
    void Begin(int commandId) { m_app->MainFrame()->OnCommand(commandId); }
    bool CommandRunning() const { return m_app->View()->IsTimeCommandRunning(); }
    // Handles events until no command runs (at most `milliseconds`); false
    // when one still does.
    bool WaitForCommandEnd(int milliseconds = 15000);

    testsupport::FakeSntpServer m_server;
    RecordingClockControl m_clock;
    // Whom Alle Server prüfen asks; set before Start. Its Run refuses any
    // host outside 127.0.0.0/8.
    SurveySource m_survey;
    // What Beobachten's dialog answers; none: cancelled.
    std::optional<std::chrono::seconds> m_watchInterval = std::chrono::seconds{1};
    std::optional<CBrisvanderApp> m_app;
};


// Settings whose stored host is the fake server's address.
inline QByteArray LoopbackHost() { return "[Settings]\nHost=127.0.0.1\n"; }

inline std::optional<ParsedReport> ParseSuccessReport(const QString& text, const std::string& host)
{
    return ParseSuccessReport(text.toStdString(), host);
}

std::string QueryFailureReport(const std::string& host, bool sync, int error);

} // namespace brisvander::testsupport
