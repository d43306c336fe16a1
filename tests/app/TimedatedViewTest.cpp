// Abgleichen from the window without a right of its own: the timedated double
// on a private bus is asked for the step, and a refusal shows its own line.
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "ReportText.h"
#include "TimedatedClockControl.h"
#include "TimedatedFixture.h"

#include <QApplication>
#include <QElapsedTimer>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
class TimedatedViewTest : public TimedatedFixture<SettingsSandbox> {
protected:
    // Runs Abgleichen against the fake server with the double answering
    // `answer`; the whole report, once it has ended.
    QString Abgleichen(const QString& answer)
    {
        std::string whyNot;
        EXPECT_TRUE(m_double.Start(m_bus.Address(), {answer}, whyNot)) << whyNot;
        TimedatedClockControl clock({m_bus.Address(), std::chrono::seconds(10)});
        WriteSettingsFile(LoopbackHost());
        AppSeams seams;
        seams.Time.Port = m_server.Port();
        seams.Time.Clock = &clock;
        CBrisvanderApp app(seams);
        EXPECT_TRUE(app.InitInstance());
        app.MainFrame()->OnCommand(ID_SERVER_SYNC);
        QElapsedTimer waited;
        waited.start();
        while (!OutputText(app).endsWith("OK.") && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        const QString report = OutputText(app);
        m_double.Stop();
        return report;
    }

    TimedatedDouble m_double;
};
} // namespace

TEST_F(TimedatedViewTest, AbgleichenAsksTheServiceForTheMeasuredOffset)
{
    m_server.SetClockOffset(1.75);
    const auto report = ParseSuccessReport(Abgleichen("ok"), "127.0.0.1");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->Outcome, "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");
    const auto calls = m_double.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NEAR(static_cast<double>(calls[0].Microseconds), report->Offset * 1e6, 1.0);
    EXPECT_TRUE(calls[0].Relative && calls[0].Interactive && calls[0].InteractiveAuthorizationAllowed);
}

TEST_F(TimedatedViewTest, ARefusedPasswordShowsItsOwnLine)
{
    const auto report = ParseSuccessReport(Abgleichen("org.freedesktop.PolicyKit1.Error.Cancelled"), "127.0.0.1");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->Outcome, ReportClockOutcome(FailureOf(FailureKind::ClockNotAuthorised)));
}
