// The exchange runs off the window's thread: the window paints and handles
// events while a server stays silent, a second command never starts beside
// the first, and closing during a run ends the program at once without the
// run setting the clock afterwards.
#include "BackgroundTimeCommand.h"
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "LastError.h"
#include "SettingsKeys.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

// Remembers the text the output area held each time it was painted.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(OutputPane& pane) : m_pane(pane) { pane.viewport()->installEventFilter(this); }
    QStringList Painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted.append(m_pane.text());
        return false;
    }

private:
    OutputPane& m_pane;
};

OutputPane& Output(CBrisvanderApp& app) { return *app.View()->findChild<OutputPane*>(QStringLiteral("IDC_OUTPUT")); }

QAction* CtrlN(CMainFrame& frame)
{
    for (QAction* action : frame.actions())
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_N))
            return action;
    return nullptr;
}

Qt::CursorShape OverrideCursorShape()
{
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr ? cursor->shape() : Qt::ArrowCursor;
}

// Every request answered correctly, `delayMs` after it came.
FakeSntpServer::Script ReplyAfter(int delayMs)
{
    return [delayMs](const FakeReplyContext& context) {
        return std::vector<FakeSntpServer::Datagram>{{FakeSntpServer::MakeReply(context, 0.0), delayMs}};
    };
}

const QString SyncPreamble = QStringLiteral(
    "Verbinde mit SNTP Zeitserver: 127.0.0.1\nDie Zeit wird jetzt mit dem NTP Zeitserver abgeglichen.\n");

} // namespace

TEST_F(CommandTest, SilenceLeavesTheWindowPaintingAndAnsweringUntilTheTimeOut)
{
    m_server.SetSilent(true);
    Start(LoopbackHost());
    QApplication::processEvents();
    PaintRecorder recorder(Output(*m_app));
    SetLastError(4242); // this thread's own; the run's error is the worker's

    QElapsedTimer elapsed;
    elapsed.start();
    Begin(ID_SERVER_SYNC);
    EXPECT_LT(elapsed.elapsed(), 1000) << "starting a run does not wait for it";
    ASSERT_TRUE(CommandRunning());
    EXPECT_EQ(OutputText(*m_app), SyncPreamble);
    EXPECT_EQ(OverrideCursorShape(), Qt::WaitCursor);

    // This thread's timers keep running, and the window paints by itself.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(50);
    HandleEventsFor(1500);
    EXPECT_GE(ticks, 10);
    EXPECT_TRUE(recorder.Painted.contains(SyncPreamble));
    recorder.Painted.clear();
    Output(*m_app).viewport()->update(); // as when the window is uncovered
    EXPECT_TRUE(WaitUntil([&recorder] { return !recorder.Painted.isEmpty(); }, 1000));
    EXPECT_TRUE(CommandRunning()) << "the server is still silent";
    EXPECT_EQ(OutputText(*m_app), SyncPreamble);

    ASSERT_TRUE(WaitForCommandEnd(10000));
    EXPECT_GE(elapsed.elapsed(), 4500) << "the whole time-out";
    EXPECT_EQ(OutputText(*m_app).toStdString(), QueryFailureReport("127.0.0.1", true, 10060));
    EXPECT_TRUE(m_clock.records.empty()) << "a failed query never touches the clock";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(GetLastError(), 4242u);
    EXPECT_EQ(m_app->MainFrame()->windowTitle(), "Brisvander");
}

TEST_F(CommandTest, ASecondCommandNeverStartsBesideTheFirst)
{
    m_server.SetScript(ReplyAfter(1000));
    Start("[Settings]\nHost=127.0.0.1\nAutostart=1\n");
    CMainFrame& frame = *m_app->MainFrame();
    ASSERT_TRUE(WaitUntil([this] { return CommandRunning(); }, 2000)) << "Autostart's run";
    EXPECT_TRUE(frame.isVisible());

    QAction* ctrlN = CtrlN(frame);
    ASSERT_NE(ctrlN, nullptr);
    EXPECT_FALSE(frame.CommandAction(ID_SERVER_INFO)->isEnabled());
    EXPECT_FALSE(frame.CommandAction(ID_SERVER_SYNC)->isEnabled());
    EXPECT_FALSE(ctrlN->isEnabled());
    EXPECT_TRUE(frame.CommandAction(ID_HELP_MANUAL)->isEnabled()) << "only the two commands and New are off";
    EXPECT_TRUE(frame.CommandAction(ID_APP_EXIT)->isEnabled());

    // However it is asked for.
    frame.CommandAction(ID_SERVER_INFO)->trigger();
    qobject_cast<QToolButton*>(frame.ToolBar()->widgetForAction(frame.CommandAction(ID_SERVER_SYNC)))->click();
    ctrlN->trigger();
    for (int id : {ID_SERVER_INFO, ID_SERVER_SYNC, ID_FILE_NEW})
        frame.OnCommand(id);
    m_app->View()->OnServerInfo();
    m_app->View()->OnServerSync();
    m_app->OnFileNew();
    QApplication::processEvents();
    EXPECT_EQ(OutputText(*m_app), SyncPreamble);
    EXPECT_EQ(frame.windowTitle(), "Brisvander");

    ASSERT_TRUE(WaitForCommandEnd());
    QApplication::processEvents(); // whatever a refused command might have queued
    EXPECT_FALSE(CommandRunning());
    EXPECT_EQ(m_server.RequestCount(), 1);
    EXPECT_EQ(m_clock.Of(RecordingClockControl::Call::Step).size(), 1u);
    const auto report = ParseSuccessReport(OutputText(*m_app), "127.0.0.1");
    ASSERT_TRUE(report) << OutputText(*m_app).toStdString();
    EXPECT_TRUE(report->Sync);

    EXPECT_TRUE(frame.CommandAction(ID_SERVER_INFO)->isEnabled());
    EXPECT_TRUE(frame.CommandAction(ID_SERVER_SYNC)->isEnabled());
    EXPECT_TRUE(ctrlN->isEnabled());
    EXPECT_EQ(frame.windowTitle(), "Brisvander");
}

TEST_F(CommandTest, ClosingDuringARunEndsAtOnceAndTheRunNeverSetsTheClock)
{
    m_server.SetScript(ReplyAfter(1500));
    for (const bool viaMenu : {true, false}) {
        Start("[Settings]\nHost=not-used.invalid\n");
        TypeHost("127.0.0.1");
        Begin(ID_SERVER_SYNC);
        ASSERT_TRUE(CommandRunning());
        QApplication::processEvents();

        QElapsedTimer closing;
        closing.start();
        if (viaMenu)
            m_app->MainFrame()->CommandAction(ID_APP_EXIT)->trigger();
        else
            m_app->MainFrame()->close();
        EXPECT_FALSE(m_app->MainFrame()->isVisible());
        m_app.reset(); // what follows the end of the message loop
        EXPECT_LT(closing.elapsed(), 1000) << "via menu " << viaMenu;
        EXPECT_TRUE(AbandonedTimeCommandsRunning()) << "left to end by itself, not waited for";
        EXPECT_EQ(StoredValue(Settings::KeyHost), "127.0.0.1") << "stored as on any exit";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);

        ASSERT_TRUE(WaitForAbandonedTimeCommands(10000));
        EXPECT_FALSE(AbandonedTimeCommandsRunning());
    }
    EXPECT_EQ(m_server.RequestCount(), 2) << "the server did answer both";
    EXPECT_TRUE(m_clock.records.empty()) << "but no answer came to a window any more";
}
