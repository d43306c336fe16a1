// Info and Abgleichen from the window, against the fake server: the report
// text, the clock, the wait cursor, and which host is used and stored.
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "IntroText.h"
#include "SettingsKeys.h"

#include <QAction>
#include <QApplication>

#include <atomic>
#include <chrono>
#include <thread>

using namespace brisvander;
using namespace brisvander::testsupport;

TEST_F(CommandTest, InfoReportsTheExchangeAndLeavesTheClockAlone)
{
    m_server.SetClockOffset(2.5);
    Start(LoopbackHost());
    Run(ID_SERVER_INFO);
    const auto report = ParseSuccessReport(OutputText(*m_app), "127.0.0.1");
    ASSERT_TRUE(report) << OutputText(*m_app).toStdString();
    EXPECT_FALSE(report->Sync);
    EXPECT_NEAR(report->Offset, 2.5, 0.1);
    EXPECT_GE(report->Delay, 0.0);
    EXPECT_EQ(report->Outcome, "");
    EXPECT_TRUE(m_clock.records.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CommandTest, AbgleichenSetsTheClockToNowPlusTheOffsetUnderTheWaitCursor)
{
    m_server.SetClockOffset(-1.5);
    Start(LoopbackHost());
    // The step waits on the worker until the window's thread has looked at the cursor.
    std::atomic<bool> stepping{false};
    std::atomic<bool> looked{false};
    m_clock.whileStepping = [&] {
        stepping = true;
        while (!looked)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    Begin(ID_SERVER_SYNC);
    const bool reachedStep = WaitUntil([&] { return stepping.load(); });
    const QCursor* cursor = QApplication::overrideCursor();
    const Qt::CursorShape cursorWhileSetting = cursor != nullptr ? cursor->shape() : Qt::ArrowCursor;
    looked = true;
    ASSERT_TRUE(reachedStep);
    ASSERT_TRUE(WaitForCommandEnd());

    const auto report = ParseSuccessReport(OutputText(*m_app), "127.0.0.1");
    ASSERT_TRUE(report) << OutputText(*m_app).toStdString();
    EXPECT_TRUE(report->Sync);
    EXPECT_NEAR(report->Offset, -1.5, 0.1);
    EXPECT_EQ(report->Outcome, "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");

    const auto setCalls = m_clock.Of(RecordingClockControl::Call::Step);
    ASSERT_EQ(setCalls.size(), 1u);
    EXPECT_NEAR(setCalls[0].StepSeconds(), report->Offset, 1e-6);
    EXPECT_EQ(cursorWhileSetting, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CommandTest, AClosedPortEndsTheReportWithItsNumber)
{
    Start(LoopbackHost(), ClosedUdpPort());
    Run(ID_SERVER_SYNC);
    EXPECT_EQ(OutputText(*m_app).toStdString(), QueryFailureReport("127.0.0.1", true, 10054));
    EXPECT_TRUE(m_clock.records.empty()) << "a failed query never touches the clock";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CommandTest, TheSecondInfoReplacesTheFirstAndATypedHostIsQueriedAsTyped)
{
    Start("[Settings]\nHost=not-used.invalid\n");
    TypeHost("127.0.0.2"); // nothing listens there
    Run(ID_SERVER_INFO);
    EXPECT_EQ(OutputText(*m_app).toStdString(), QueryFailureReport("127.0.0.2", false, 10054));

    TypeHost("127.0.0.1");
    Run(ID_SERVER_INFO);
    EXPECT_TRUE(ParseSuccessReport(OutputText(*m_app), "127.0.0.1")) << OutputText(*m_app).toStdString();
    EXPECT_EQ(m_server.RequestCount(), 1);

    m_app.reset(); // the host a command used is stored at the end
    EXPECT_EQ(StoredValue(Settings::KeyHost), "127.0.0.1");
}

TEST_F(CommandTest, APastedHostIsQueriedAndStoredWithoutTheBlanksAroundIt)
{
    Start("[Settings]\nHost=not-used.invalid\n");
    TypeHost(QString::fromUtf8(" 127.0.0.1\u00A0"));
    Run(ID_SERVER_INFO);
    // The report names the host as typed; the edit field and the store get it trimmed.
    EXPECT_TRUE(ParseSuccessReport(OutputText(*m_app), " 127.0.0.1\u00A0")) << OutputText(*m_app).toStdString();
    EXPECT_EQ(m_server.RequestCount(), 1);
    EXPECT_EQ(ServerCombo(*m_app)->currentText(), "127.0.0.1");
    m_app.reset();
    EXPECT_EQ(StoredValue(Settings::KeyHost), "127.0.0.1");
}

// Autostart: only a stored 1 synchronises, once the window is on screen;
// New runs it again.
TEST_F(CommandTest, AutostartOneSynchronisesOnceTheWindowIsShown)
{
    Start("[Settings]\nHost=127.0.0.1\nAutostart=1\n");
    EXPECT_TRUE(m_app->MainFrame()->isVisible());
    EXPECT_EQ(m_server.RequestCount(), 0) << "nothing is sent before the window is shown";
    ASSERT_TRUE(WaitForCommandEnd());
    const auto report = ParseSuccessReport(OutputText(*m_app), "127.0.0.1");
    ASSERT_TRUE(report) << OutputText(*m_app).toStdString();
    EXPECT_EQ(report->Outcome, "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");

    Run(ID_FILE_NEW);
    EXPECT_EQ(m_server.RequestCount(), 2);
    EXPECT_EQ(m_clock.Of(RecordingClockControl::Call::Step).size(), 2u);
}

TEST_F(CommandTest, AutostartOtherThanOneDoesNotSynchronise)
{
    for (const char* stored : {"0", "2", "abc", "-1", ""}) {
        Start(QByteArray("[Settings]\nHost=127.0.0.1\nAutostart=") + stored + "\n");
        QApplication::processEvents(); // where a start would have been queued
        EXPECT_FALSE(CommandRunning()) << stored;
        EXPECT_EQ(OutputText(*m_app), QString::fromStdString(IntroText())) << stored;
        m_app.reset();
    }
    EXPECT_EQ(m_server.RequestCount(), 0);
}

TEST_F(CommandTest, NewShowsTheIntroductionAndTheStoredHostAgain)
{
    Start("[Settings]\nHost=127.0.0.1\n");
    TypeHost("127.0.0.2");
    Run(ID_SERVER_INFO);
    WriteSettingsFile("[Settings]\nHost=ntp.metas.ch\n");
    QAction* ctrlN = nullptr;
    for (QAction* action : m_app->MainFrame()->actions())
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_N))
            ctrlN = action;
    ASSERT_NE(ctrlN, nullptr);
    ctrlN->trigger();
    EXPECT_EQ(OutputText(*m_app), QString::fromStdString(IntroText()));
    EXPECT_EQ(ServerCombo(*m_app)->currentText(), "ntp.metas.ch");
}
