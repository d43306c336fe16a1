// The frame: menu, toolbar and status bar built from the resource tables,
// prompts and tooltips from the string table, and every menu command still
// reachable with the toolbar hidden.
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "ResourceText.h"
#include "StatusPrompt.h"
#include "StringTable.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>

using namespace brisvander;
using namespace brisvander::testsupport;


namespace {

QToolButton* ButtonFor(CMainFrame& frame, int commandId)
{
    return qobject_cast<QToolButton*>(frame.ToolBar()->widgetForAction(frame.CommandAction(commandId)));
}

bool IdleTextShown(CMainFrame& frame)
{
    const QLabel* pane = frame.StatusBar()->findChild<QLabel*>("MessagePane");
    return frame.StatusBar()->currentMessage().isEmpty() && pane->isVisible() && pane->text() == "Bereit";
}

// The message pane shows `prompt` whole, or cut after a whole word with
// "…", inside the pane's width and with the whole prompt as tooltip.
testing::AssertionResult PromptShownWhole(CMainFrame& frame, const QString& prompt)
{
    const QString shown = frame.StatusBar()->currentMessage();
    if (frame.CurrentPrompt() != prompt)
        return testing::AssertionFailure() << "prompt " << frame.CurrentPrompt().toStdString();
    const int width = frame.StatusBar()->fontMetrics().horizontalAdvance(shown);
    if (width > frame.PromptWidth())
        return testing::AssertionFailure() << shown.toStdString() << " is " << width << " wide, the pane "
                                           << frame.PromptWidth();
    if (shown == prompt)
        return frame.StatusBar()->toolTip().isEmpty() ? testing::AssertionSuccess()
                                                      : testing::AssertionFailure() << "a tooltip for a whole prompt";
    const QString start = shown.chopped(1);
    if (!shown.endsWith(QChar(0x2026)) || !prompt.startsWith(start) || prompt.at(start.size()) != QLatin1Char(' '))
        return testing::AssertionFailure() << "cut inside a word: " << shown.toStdString();
    if (frame.StatusBar()->toolTip() != prompt)
        return testing::AssertionFailure() << "tooltip " << frame.StatusBar()->toolTip().toStdString();
    return testing::AssertionSuccess();
}

QStringList MenuLayout(CMainFrame& frame)
{
    QStringList layout;
    for (QAction* menuAction : frame.menuBar()->actions()) {
        layout << menuAction->text();
        for (QAction* item : menuAction->menu()->actions())
            layout << "  " + item->text() + " " + item->objectName();
    }
    return layout;
}
} // namespace

TEST_F(CommandTest, MenuAndToolbarFollowTheResourceTables)
{
    Start(LoopbackHost());
    CMainFrame& frame = *m_app->MainFrame();
    // The items this program adds come after the ones it always had.
    EXPECT_EQ(MenuLayout(frame), QStringList({"&Datei", "  &Beenden 57665", "&Zeitserver", "  &Info 32771",
                                              "  &Abgleichen 32772", "   ", "  &Beobachten 32790",
                                              "  Alle Server &prüfen... 32783",
                                              "&Optionen", "  &Autostart ... 32780", "   ",
                                              "  Authentifizierte Zeit (NTS) a&us 32784",
                                              "  Authentifizierte Zeit (NTS) &wenn angeboten 32785",
                                              "  Authentifizierte Zeit (&NTS) immer 32781", "&Ansicht",
                                              "  &Symbolleiste 59392", "  S&tatusleiste 59393", "   ",
                                              "  &Verlauf 32782", "&?", "  &Hilfe 32776",
                                              "  Inf&o über Brisvander... 57664"}));
    QStringList toolbar;
    for (QAction* action : frame.ToolBar()->actions())
        toolbar << (action->isSeparator() ? "|" : action->objectName());
    EXPECT_EQ(toolbar, QStringList({"57665", "|", "32771", "32772", "|", "32776", "57664"}));
    for (QAction* action : frame.ToolBar()->actions()) {
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << action->objectName().toStdString();
        }
    }
    EXPECT_TRUE(frame.ToolBar()->isMovable());
    EXPECT_TRUE(frame.ToolBar()->isFloatable());
    EXPECT_EQ(frame.ToolBar()->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_EQ(frame.toolBarArea(frame.ToolBar()), Qt::TopToolBarArea);
}

TEST_F(CommandTest, PointingAtAButtonShowsItsTooltipAndPromptUntilThePointerLeaves)
{
    Start(LoopbackHost());
    CMainFrame& frame = *m_app->MainFrame();
    EXPECT_TRUE(IdleTextShown(frame));
    for (int id : {ID_APP_EXIT, ID_SERVER_INFO, ID_SERVER_SYNC, ID_HELP_MANUAL, ID_APP_ABOUT}) {
        QToolButton* button = ButtonFor(frame, id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->toolTip(), ResourceText(CommandTooltip(id)));
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(button, &enter);
        EXPECT_TRUE(PromptShownWhole(frame, ResourceText(CommandPrompt(id)))) << id;
        EXPECT_FALSE(IdleTextShown(frame));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        EXPECT_TRUE(IdleTextShown(frame)) << id;
    }
    EXPECT_EQ(ButtonFor(frame, ID_SERVER_INFO)->toolTip(), "VERBINDEN");
    EXPECT_EQ(ButtonFor(frame, ID_SERVER_SYNC)->toolTip(), "SYNCHRONISIEREN");
}

TEST_F(CommandTest, PromptsShowWholeAndAreCutOnlyBetweenWordsWhenTheWindowIsNarrow)
{
    Start(LoopbackHost());
    CMainFrame& frame = *m_app->MainFrame();
    QApplication::processEvents();
    const int commands[] = {ID_APP_EXIT,        ID_SERVER_INFO,  ID_SERVER_SYNC,   ID_SERVER_SURVEY,
                            ID_OPTIONS_AUTOSTART, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_HISTORY,
                            ID_HELP_MANUAL,     ID_APP_ABOUT};
    const auto showPrompt = [&frame](const QString& prompt) {
        QStatusTipEvent tip(prompt);
        QApplication::sendEvent(&frame, &tip);
    };
    const auto lockKeyPanesShown = [&frame] {
        int shown = 0;
        for (const int id : {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL})
            shown += frame.StatusBar()->findChild<QLabel*>(QString::number(id))->isVisible() ? 1 : 0;
        return shown;
    };

    // At the size the window starts with, every prompt is shown whole; a
    // long one takes the lock-key panes' room while it shows.
    EXPECT_EQ(lockKeyPanesShown(), 3);
    for (int id : commands) {
        showPrompt(ResourceText(CommandPrompt(id)));
        EXPECT_EQ(frame.StatusBar()->currentMessage(), ResourceText(CommandPrompt(id))) << id;
        EXPECT_TRUE(PromptShownWhole(frame, ResourceText(CommandPrompt(id)))) << id;
    }
    showPrompt(ResourceText(CommandPrompt(ID_SERVER_SYNC)));
    EXPECT_EQ(lockKeyPanesShown(), 0) << "the longest needs their room";
    showPrompt(ResourceText(CommandPrompt(ID_HELP_MANUAL)));
    EXPECT_EQ(lockKeyPanesShown(), 3) << "a short one does not";
    showPrompt(ResourceText(CommandPrompt(ID_SERVER_SYNC)));
    showPrompt(QString());
    EXPECT_EQ(lockKeyPanesShown(), 3);
    EXPECT_TRUE(IdleTextShown(frame));

    // Made narrower than it starts, the window cuts them between words.
    frame.setMinimumWidth(0);
    m_app->View()->setMinimumWidth(0); // narrower than the form allows
    frame.resize(frame.width() / 2, frame.height());
    QApplication::processEvents();
    int cut = 0;
    for (int id : commands) {
        showPrompt(ResourceText(CommandPrompt(id)));
        EXPECT_TRUE(PromptShownWhole(frame, ResourceText(CommandPrompt(id)))) << id << " at " << frame.width();
        cut += frame.StatusBar()->currentMessage() != ResourceText(CommandPrompt(id)) ? 1 : 0;
    }
    EXPECT_GT(cut, 0);
    showPrompt(QString());
    EXPECT_TRUE(frame.StatusBar()->toolTip().isEmpty());
}

TEST(StatusPrompt, CutsAfterTheLastWholeWordThatFits)
{
    const auto characters = [](const QString& text) { return static_cast<int>(text.size()); };
    const QString text = QStringLiteral("abc def ghi");
    EXPECT_EQ(ElideAtWordBoundary(text, 11, characters), text);
    EXPECT_EQ(ElideAtWordBoundary(text, 10, characters), QStringLiteral("abc def…"));
    EXPECT_EQ(ElideAtWordBoundary(text, 8, characters), QStringLiteral("abc def…"));
    EXPECT_EQ(ElideAtWordBoundary(text, 7, characters), QStringLiteral("abc…"));
    EXPECT_EQ(ElideAtWordBoundary(text, 2, characters), QStringLiteral("abc…")) << "the first word at least";
    EXPECT_EQ(ElideAtWordBoundary(QStringLiteral("abc def  ghi"), 9, characters), QStringLiteral("abc def…"))
        << "blanks before the cut are dropped";
    EXPECT_EQ(ElideAtWordBoundary(QStringLiteral("abcdefghij"), 4, characters), QStringLiteral("abcdefghij"));
}

TEST_F(CommandTest, HighlightingAMenuItemShowsItsPrompt)
{
    Start(LoopbackHost());
    CMainFrame& frame = *m_app->MainFrame();
    QAction* autostart = frame.CommandAction(ID_OPTIONS_AUTOSTART);
    auto* menu = qobject_cast<QMenu*>(autostart->associatedObjects().first());
    ASSERT_NE(menu, nullptr);
    menu->popup(frame.mapToGlobal(QPoint(10, 10)));
    menu->setActiveAction(autostart);
    EXPECT_EQ(frame.StatusBar()->currentMessage(), "Autostart des Programmes");
    EXPECT_EQ(ButtonFor(frame, ID_OPTIONS_AUTOSTART), nullptr) << "Autostart has no button";
    menu->hide();
}

TEST_F(CommandTest, WithTheToolbarHiddenEveryMenuCommandStillWorks)
{
    Start(LoopbackHost());
    CMainFrame& frame = *m_app->MainFrame();
    QAction* toolbarToggle = frame.CommandAction(ID_VIEW_TOOLBAR);
    QAction* statusToggle = frame.CommandAction(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(toolbarToggle->isChecked());
    toolbarToggle->trigger();
    EXPECT_TRUE(frame.ToolBar()->isHidden());
    EXPECT_FALSE(toolbarToggle->isChecked());

    frame.CommandAction(ID_SERVER_INFO)->trigger();
    ASSERT_TRUE(WaitForCommandEnd());
    EXPECT_TRUE(ParseSuccessReport(OutputText(*m_app), "127.0.0.1"));
    frame.CommandAction(ID_SERVER_SYNC)->trigger();
    ASSERT_TRUE(WaitForCommandEnd());
    EXPECT_EQ(m_clock.Of(RecordingClockControl::Call::Step).size(), 1u);

    QString autostartTitle;
    AnswerNextModal([&autostartTitle](QWidget* modal) {
        autostartTitle = modal->windowTitle();
        static_cast<QDialog*>(modal)->reject();
    });
    frame.CommandAction(ID_OPTIONS_AUTOSTART)->trigger();
    EXPECT_EQ(autostartTitle, "Autostart");

    // The manual lies beside the test programs, as beside the real one.
    frame.CommandAction(ID_HELP_MANUAL)->trigger();
    ASSERT_EQ(m_desktop.opened.size(), 1u);
    EXPECT_TRUE(m_desktop.opened[0].first.endsWith("/brisvander.html")) << m_desktop.opened[0].first.toStdString();

    QString aboutTitle;
    AnswerNextModal([&aboutTitle](QWidget* modal) {
        aboutTitle = modal->windowTitle();
        static_cast<QDialog*>(modal)->reject();
    });
    frame.CommandAction(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(aboutTitle, "Info über Brisvander");

    statusToggle->trigger();
    EXPECT_TRUE(frame.StatusBar()->isHidden());
    EXPECT_FALSE(statusToggle->isChecked());
    statusToggle->trigger();
    EXPECT_FALSE(frame.StatusBar()->isHidden());
    toolbarToggle->trigger();
    EXPECT_FALSE(frame.ToolBar()->isHidden());
    EXPECT_TRUE(toolbarToggle->isChecked());

    frame.CommandAction(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(frame.isVisible());
}
