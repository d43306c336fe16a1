#include "MainFrame.h"

#include "CommandIds.h"
#include "FrameResources.h"
#include "LockKeyState.h"
#include "StatusPrompt.h"
#include "ResourceText.h"
#include "StringTable.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QSizeGrip>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include <algorithm>
#include <iterator>

namespace brisvander {

namespace {
constexpr int s_statusPanes[] = {0, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
// One choice among three: radio items, each checked as the route says.
constexpr int s_ntsChoices[] = {ID_OPTIONS_NTS_OFF, ID_OPTIONS_NTS_AUTO, ID_OPTIONS_NTS};
constexpr int ToolbarImagePixels = 16;

const CommandMapEntry<CMainFrame> s_messageMap[] = {
    {ID_APP_EXIT, &CMainFrame::OnAppExit},
};
} // namespace

CMainFrame::CMainFrame()
{
    setObjectName(QStringLiteral("CMainFrame"));
}

CMainFrame::~CMainFrame() = default;

int CMainFrame::LoadFrame(QWidget* view, CCmdTarget* viewTarget, CCmdTarget* document, CCmdTarget* application)
{
    setCentralWidget(view);
    m_routeTargets = {viewTarget, document, this, application};
    setWindowIcon(QIcon(ResourceText(ProgramIconPath)));
    setWindowTitle(ResourceText(LoadResourceString(AFX_IDS_APP_TITLE)));
    return OnCreate() == 0 ? 1 : 0;
}

int CMainFrame::OnCreate()
{
    CreateMenu();
    if (!CreateToolBar())
        return -1;
    if (!CreateStatusBar())
        return -1;
    if (!SetIndicators(s_statusPanes, static_cast<int>(std::size(s_statusPanes))))
        return -1;
    m_mainToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, m_mainToolBar);
    CreateAccelerators();
    UpdateBarChecks();
    UpdateCommandUI();
    qApp->installEventFilter(this);
    return 0;
}

QAction* CMainFrame::MakeCommandAction(int commandId, const QString& text)
{
    if (QAction* existing = m_actions.value(commandId))
        return existing;
    auto* action = new QAction(text, this);
    action->setObjectName(QString::number(commandId));
    action->setStatusTip(ResourceText(CommandPrompt(commandId)));
    action->setToolTip(ResourceText(CommandTooltip(commandId)));
    if (commandId == ID_VIEW_TOOLBAR || commandId == ID_VIEW_STATUS_BAR || commandId == ID_SERVER_WATCH)
        action->setCheckable(true);
    if (std::find(std::begin(s_ntsChoices), std::end(s_ntsChoices), commandId) != std::end(s_ntsChoices)) {
        if (m_ntsChoice == nullptr)
            m_ntsChoice = new QActionGroup(this);
        action->setCheckable(true);
        m_ntsChoice->addAction(action);
    }
    connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
    m_actions.insert(commandId, action);
    return action;
}

void CMainFrame::CreateMenu()
{
    for (const MenuResource& menuResource : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(ResourceText(menuResource.Title));
        for (const MenuItemResource& item : menuResource.Items) {
            if (item.CommandId == 0)
                menu->addSeparator();
            else
                menu->addAction(MakeCommandAction(item.CommandId, ResourceText(item.Text)));
        }
        connect(menu, &QMenu::aboutToShow, this, [this] {
            UpdateBarChecks();
            UpdateCommandUI();
        });
    }
}

bool CMainFrame::CreateToolBar()
{
    m_mainToolBar = new QToolBar(QStringLiteral("Symbolleiste"), this);
    m_mainToolBar->setObjectName(QString::number(AFX_IDW_TOOLBAR));
    m_mainToolBar->setMovable(true);
    m_mainToolBar->setFloatable(true);
    m_mainToolBar->setIconSize(QSize(ToolbarImagePixels, ToolbarImagePixels));
    m_mainToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The toggle lives in the "Ansicht" menu; the bar's own context entry would duplicate it.
    m_mainToolBar->toggleViewAction()->setVisible(false);
    for (const ToolbarButtonResource& button : MainToolbar()) {
        if (button.CommandId == 0) {
            m_mainToolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions.value(button.CommandId);
        if (action == nullptr)
            return false;
        action->setIcon(QIcon(ResourceText(button.IconPath)));
        m_mainToolBar->addAction(action);
    }
    return true;
}

bool CMainFrame::CreateStatusBar()
{
    m_mainStatusBar = new QStatusBar(this);
    m_mainStatusBar->setObjectName(QString::number(AFX_IDW_STATUS_BAR));
    setStatusBar(m_mainStatusBar);
    return true;
}

bool CMainFrame::SetIndicators(const int* ids, int count)
{
    for (int pane = 0; pane < count; ++pane) {
        if (ids[pane] == 0) {
            // The message pane: idle text here, prompts shown over it.
            m_messagePane = new QLabel(ResourceText(LoadResourceString(AFX_IDS_IDLEMESSAGE)));
            m_messagePane->setObjectName(QStringLiteral("MessagePane"));
            m_mainStatusBar->addWidget(m_messagePane, 1);
            continue;
        }
        const QString text = ResourceText(LoadResourceString(ids[pane]));
        if (text.isEmpty())
            return false;
        auto* indicator = new QLabel;
        indicator->setObjectName(QString::number(ids[pane]));
        indicator->setProperty("IndicatorText", text);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance(text) + 8);
        m_mainStatusBar->addPermanentWidget(indicator);
        m_indicatorPanes.append(indicator);
    }
    UpdateLockKeyPanes();
    return true;
}

void CMainFrame::CreateAccelerators()
{
    for (const AcceleratorResource& accelerator : MainAccelerators()) {
        auto* action = new QAction(this);
        action->setObjectName(QString::number(accelerator.CommandId));
        action->setShortcut(QKeySequence(ResourceText(accelerator.Keys)));
        action->setShortcutContext(Qt::WindowShortcut);
        const int commandId = accelerator.CommandId;
        connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
        addAction(action);
        m_accelerators.append(action);
    }
}

void CMainFrame::OnCommand(int commandId)
{
    // A disabled action cannot trigger, but a command can come by other ways.
    if (!CommandEnabled(commandId))
        return;
    for (CCmdTarget* target : m_routeTargets) {
        if (target != nullptr && target->OnCmdMsg(commandId))
            break;
    }
    UpdateBarChecks();
}

std::optional<bool> CMainFrame::AskRoute(std::optional<bool> (CCmdTarget::*ask)(int), int commandId)
{
    for (CCmdTarget* target : m_routeTargets) {
        if (target == nullptr)
            continue;
        if (const std::optional<bool> answer = (target->*ask)(commandId))
            return answer;
    }
    return std::nullopt;
}

bool CMainFrame::CommandEnabled(int commandId) { return AskRoute(&CCmdTarget::OnUpdateCmdUI, commandId).value_or(true); }

void CMainFrame::UpdateCommandUI()
{
    for (auto entry = m_actions.cbegin(); entry != m_actions.cend(); ++entry)
        entry.value()->setEnabled(CommandEnabled(entry.key()));
    for (QAction* accelerator : m_accelerators)
        accelerator->setEnabled(CommandEnabled(accelerator->objectName().toInt()));
}

bool CMainFrame::OnCmdMsg(int commandId)
{
    if (commandId == ID_VIEW_TOOLBAR || commandId == ID_VIEW_STATUS_BAR) {
        OnBarCheck(commandId);
        return true;
    }
    return DispatchCommand<CMainFrame>(*this, s_messageMap, commandId);
}

void CMainFrame::OnBarCheck(int barId)
{
    QWidget* bar = barId == AFX_IDW_TOOLBAR ? static_cast<QWidget*>(m_mainToolBar) : m_mainStatusBar;
    bar->setVisible(bar->isHidden());
}

void CMainFrame::OnAppExit() { close(); }

void CMainFrame::UpdateBarChecks()
{
    if (QAction* toolbar = m_actions.value(ID_VIEW_TOOLBAR))
        toolbar->setChecked(!m_mainToolBar->isHidden());
    if (QAction* statusBar = m_actions.value(ID_VIEW_STATUS_BAR))
        statusBar->setChecked(!m_mainStatusBar->isHidden());
    for (const int choice : s_ntsChoices) {
        QAction* nts = m_actions.value(choice);
        const std::optional<bool> checked = AskRoute(&CCmdTarget::OnUpdateCheck, choice);
        if (nts != nullptr && checked && *checked)
            nts->setChecked(true);
    }
    if (QAction* watch = m_actions.value(ID_SERVER_WATCH)) {
        if (const std::optional<bool> checked = AskRoute(&CCmdTarget::OnUpdateCheck, ID_SERVER_WATCH))
            watch->setChecked(*checked);
    }
}

void CMainFrame::UpdateLockKeyPanes()
{
    const LockKeys keys = QueryLockKeys();
    const bool on[] = {keys.CapsLock, keys.NumLock, keys.ScrollLock};
    for (int pane = 0; pane < m_indicatorPanes.size() && pane < 3; ++pane) {
        QLabel* indicator = m_indicatorPanes[pane];
        indicator->setText(on[pane] ? indicator->property("IndicatorText").toString() : QString());
    }
}

bool CMainFrame::event(QEvent* event)
{
    // Prompts of menu items and buttons, fitted into the message pane.
    if (event->type() == QEvent::StatusTip) {
        ShowPrompt(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!m_prompt.isEmpty())
        ShowPrompt(m_prompt);
}

int CMainFrame::PromptWidth() const
{
    // Where the status bar writes its message: from a small left margin to
    // just before the first indicator pane or the size grip.
    constexpr int LeftMargin = 6;
    constexpr int RightMargin = 12;
    int right = m_mainStatusBar->width() - RightMargin;
    if (const auto* grip = m_mainStatusBar->findChild<QSizeGrip*>(); grip != nullptr && grip->isVisible())
        right = qMin(right, grip->x());
    for (const QLabel* indicator : m_indicatorPanes) {
        if (indicator->isVisible())
            right = qMin(right, indicator->x() - 2);
    }
    return right - LeftMargin;
}

void CMainFrame::ShowPrompt(const QString& prompt)
{
    m_prompt = prompt;
    for (QLabel* indicator : m_indicatorPanes)
        indicator->show();
    if (prompt.isEmpty()) {
        m_mainStatusBar->clearMessage();
        m_mainStatusBar->setToolTip(QString());
        return;
    }
    // The room is measured, so the bars must have their geometry even
    // before the first events after showing the window.
    layout()->activate();
    if (QLayout* bar = m_mainStatusBar->layout())
        bar->activate();
    const QFontMetrics metrics = m_mainStatusBar->fontMetrics();
    const auto measure = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    // A prompt too long for the room beside the lock-key panes gets their
    // room too while it shows: the user reads it whole, not just its tooltip,
    // which the pointer seldom reaches while it is on the button.
    if (measure(prompt) > PromptWidth()) {
        for (QLabel* indicator : m_indicatorPanes)
            indicator->hide();
    }
    const QString shown = ElideAtWordBoundary(prompt, PromptWidth(), measure);
    m_mainStatusBar->showMessage(shown);
    // The whole prompt stays readable where it had to be shortened.
    m_mainStatusBar->setToolTip(shown == prompt ? QString() : prompt);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::WindowActivate:
    case QEvent::ApplicationStateChange:
        UpdateLockKeyPanes();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace brisvander
