// The frame: menu, toolbar and status bar built from the resource tables,
// prompts and tooltips from the string table, and every menu command still
// reachable with the toolbar hidden.
#include "CommandIds.h"
#include "CommandTestSupport.h"
#include "StringTable.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

using namespace brisvander;
using namespace brisvander::testsupport;


namespace {
QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QToolButton* ButtonFor(CMainFrame& frame, int commandId)
{
    return qobject_cast<QToolButton*>(frame.ToolBar()->widgetForAction(frame.CommandAction(commandId)));
}

bool IdleTextShown(CMainFrame& frame)
{
    const QLabel* pane = frame.StatusBar()->findChild<QLabel*>("MessagePane");
    return frame.StatusBar()->currentMessage().isEmpty() && pane->isVisible() && pane->text() == "Bereit";
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
    EXPECT_EQ(MenuLayout(frame), QStringList({"&Datei", "  &Beenden 57665", "&Zeitserver", "  &Info 32771",
                                              "  &Abgleichen 32772", "&Optionen", "  &Autostart ... 32780",
                                              "&Ansicht", "  &Symbolleiste 59392", "  S&tatusleiste 59393", "&?",
                                              "  &Hilfe 32776", "  Inf&o über Brisvander... 57664"}));
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
        EXPECT_EQ(button->toolTip(), Text(CommandTooltip(id)));
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(button, &enter);
        EXPECT_EQ(frame.StatusBar()->currentMessage(), Text(CommandPrompt(id))) << id;
        EXPECT_FALSE(IdleTextShown(frame));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        EXPECT_TRUE(IdleTextShown(frame)) << id;
    }
    EXPECT_EQ(ButtonFor(frame, ID_SERVER_INFO)->toolTip(), "VERBINDEN");
    EXPECT_EQ(ButtonFor(frame, ID_SERVER_SYNC)->toolTip(), "SYNCHRONISIEREN");
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
    EXPECT_TRUE(ParseSuccessReport(OutputText(*m_app), "127.0.0.1"));
    frame.CommandAction(ID_SERVER_SYNC)->trigger();
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
