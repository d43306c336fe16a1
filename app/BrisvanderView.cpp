#include "BrisvanderView.h"

#include "AutostartDlg.h"
#include "BackgroundTimeCommand.h"
#include "CommandIds.h"
#include "DialogUnitScale.h"
#include "FrameResources.h"
#include "HelpLauncher.h"
#include "HostText.h"
#include "IntroText.h"
#include "LinkLabel.h"
#include "MainFrame.h"
#include "OutputPane.h"
#include "ProductAddress.h"
#include "ProfileStore.h"
#include "ServerComboBox.h"
#include "ServerList.h"
#include "SettingsKeys.h"
#include "StoredHost.h"
#include "ResourceText.h"
#include "StringTable.h"
#include "TimeCommand.h"
#include "WaitCursor.h"

#include <QAbstractItemView>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <cstdio>

namespace brisvander {

namespace {
// The form, in dialog units.
constexpr QSize FormSize(289, 206);
constexpr QRect WebLinkRect(7, 15, 89, 8);
constexpr QRect IconRect(105, 15, 21, 20);
constexpr QRect ServerRect(137, 15, 145, 175); // height when dropped down
constexpr QRect OutputRect(7, 44, 275, 155);
// The output area never gets lower than this when the window is made
// smaller; its text scrolls instead.
constexpr int OutputMinimumHeight = 40;
constexpr int ProgramIconPixels = 32;

const CommandMapEntry<CBrisvanderView> s_messageMap[] = {
    {ID_SERVER_INFO, &CBrisvanderView::OnServerInfo},
    {ID_SERVER_SYNC, &CBrisvanderView::OnServerSync},
    {ID_HELP_MANUAL, &CBrisvanderView::OnHelpManual},
    {ID_OPTIONS_AUTOSTART, &CBrisvanderView::OnOptionsAutostart},
    {ID_OPTIONS_NTS, &CBrisvanderView::OnOptionsNts},
    {ID_OPTIONS_NTS_OFF, &CBrisvanderView::OnOptionsNtsOff},
    {ID_OPTIONS_NTS_AUTO, &CBrisvanderView::OnOptionsNtsAuto},
};

int NtsSettingOf(int stored)
{
    return stored == Settings::NtsSettingAlways || stored == Settings::NtsSettingWhenOffered
               ? stored
               : Settings::NtsSettingOff;
}
} // namespace

CBrisvanderView::CBrisvanderView(const TimeService& timeService, QWidget* parent)
    : QWidget(parent), m_timeService(timeService)
{
    setObjectName(QStringLiteral("IDD_MAIN_FORM"));
    m_bAutostart = GetProfileInt(Settings::SettingsSection, Settings::KeyAutostart, 0);
    m_nNts = NtsSettingOf(GetProfileInt(Settings::SettingsSection, Settings::KeyNts, Settings::NtsSettingOff));
    CreateControls();
}

CBrisvanderView::~CBrisvanderView()
{
    WriteProfileString(Settings::SettingsSection, Settings::KeyHost, m_strHost);
}

void CBrisvanderView::CreateControls()
{
    const DialogUnitScale dialogUnits(font());
    // The form's width; in height the top row, a low output area and the bottom margin.
    const int bottomMargin = dialogUnits.Y(FormSize.height()) - dialogUnits.Y(OutputRect.y() + OutputRect.height());
    setMinimumSize(dialogUnits.X(FormSize.width()), dialogUnits.Y(OutputRect.y() + OutputMinimumHeight) + bottomMargin);

    m_linkWeb = new CLinkLabel(this);
    m_linkWeb->setText(QString::fromUtf8(ProductWebAddress));
    m_linkWeb->setObjectName(QStringLiteral("IDC_WEBLINK"));
    m_linkWeb->setGeometry(dialogUnits.Rect(WebLinkRect));
    // Its target is the address it shows; it fits itself to that text.
    m_linkWeb->Attach();

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QString::fromUtf8(ProgramIconPath)).pixmap(ProgramIconPixels, ProgramIconPixels));
    const QRect iconArea = dialogUnits.Rect(IconRect);
    icon->setGeometry(iconArea.x(), iconArea.y(), ProgramIconPixels, ProgramIconPixels);

    m_comboServer = new ServerComboBox(this);
    m_comboServer->setObjectName(QStringLiteral("IDC_SERVER"));
    m_comboServer->setEditable(true);
    m_comboServer->setInsertPolicy(QComboBox::NoInsert);
    m_comboServer->setCompleter(nullptr); // the typed text is used as typed
    for (std::string_view host : ServerList())
        m_comboServer->addItem(ResourceText(host));
    const QRect serverArea = dialogUnits.Rect(ServerRect);
    const int closedHeight = m_comboServer->sizeHint().height();
    m_comboServer->setGeometry(serverArea.x(), serverArea.y(), serverArea.width(), closedHeight);
    const int rowHeight = qMax(1, m_comboServer->view()->sizeHintForRow(0));
    m_comboServer->setMaxVisibleItems(qMax(1, (serverArea.height() - closedHeight) / rowHeight));
    connect(m_comboServer, &QComboBox::activated, this, [this] { OnSelchangeServer(); });

    m_output = new OutputPane(this);
    m_output->setObjectName(QStringLiteral("IDC_OUTPUT"));
    m_output->setGeometry(dialogUnits.Rect(OutputRect));
    m_output->setText(QStringLiteral("Ausgabe"));
    m_output->setToolTip(ResourceText(LoadResourceString(IDS_OUTPUT_TIMES_UTC)));
}

QSize CBrisvanderView::sizeHint() const
{
    const DialogUnitScale dialogUnits(font());
    return QSize(dialogUnits.X(FormSize.width()), dialogUnits.Y(FormSize.height()));
}

void CBrisvanderView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOutOutputArea();
}

// The output area keeps the form's margins and takes whatever room the
// window gives it, so the window can be made larger or smaller than the form.
void CBrisvanderView::LayOutOutputArea()
{
    const DialogUnitScale dialogUnits(font());
    const QRect formArea = dialogUnits.Rect(OutputRect);
    const QSize form = sizeHint();
    const int rightMargin = form.width() - (formArea.x() + formArea.width());
    const int bottomMargin = form.height() - (formArea.y() + formArea.height());
    m_output->setGeometry(formArea.x(), formArea.y(), qMax(0, width() - rightMargin - formArea.x()),
                          qMax(0, height() - bottomMargin - formArea.y()));
}

bool CBrisvanderView::OnCmdMsg(int commandId)
{
    return DispatchCommand<CBrisvanderView>(*this, s_messageMap, commandId);
}

std::optional<bool> CBrisvanderView::OnUpdateCmdUI(int commandId)
{
    if (commandId == ID_SERVER_INFO || commandId == ID_SERVER_SYNC)
        return !IsTimeCommandRunning();
    return std::nullopt;
}

void CBrisvanderView::DoDataExchange(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strOutput = m_output->text();
        m_strHost = m_comboServer->currentText();
    } else {
        m_output->setText(m_strOutput);
        ShowHostInCombo(m_strHost);
    }
}

void CBrisvanderView::UpdateData(bool saveAndValidate) { DoDataExchange(saveAndValidate); }

void CBrisvanderView::ShowHostInCombo(const QString& host)
{
    // A host that is not in the list selects no entry; the edit field shows it as it is.
    m_comboServer->setCurrentIndex(m_comboServer->findText(host, Qt::MatchExactly | Qt::MatchCaseSensitive));
    m_comboServer->setEditText(host);
}

void CBrisvanderView::OnInitialUpdate()
{
    FitFrameToForm();
    m_strOutput = QString::fromStdString(IntroText());
    m_strHost = StoredOrDefaultHost();
    UpdateData(false);
    // Once the window is on screen, so that the run shows itself there.
    if (m_bAutostart == 1)
        QTimer::singleShot(0, this, [this] { OnServerSync(); });
}

void CBrisvanderView::FitFrameToForm()
{
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (frame == nullptr)
        return;
    frame->layout()->activate();
    // Shrink the frame to the form, never enlarge it; a frame not yet shown
    // has no size of its own and takes the form's. Either way no larger
    // than the screen, title bar included.
    QSize size = frame->isVisible() ? frame->size() : frame->sizeHint();
    size = size.boundedTo(frame->sizeHint());
    if (const QScreen* screen = frame->screen()) {
        const int titleBar = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame);
        size = size.boundedTo(screen->availableGeometry().size() - QSize(0, titleBar));
    }
    frame->resize(size.expandedTo(frame->minimumSizeHint()));
}

void CBrisvanderView::OnSelchangeServer()
{
    const int index = m_comboServer->currentIndex();
    if (index < 0)
        return;
    m_strHost = m_comboServer->itemText(index);
    WriteProfileString(Settings::SettingsSection, Settings::KeyHost, m_strHost);
}

void CBrisvanderView::TypeHost(const QString& host) { m_comboServer->setEditText(host); }

void CBrisvanderView::OnServerInfo() { RunTimeCommandInView(ReportCommand::Info); }

void CBrisvanderView::OnServerSync() { RunTimeCommandInView(ReportCommand::Sync); }

void CBrisvanderView::RunTimeCommandInView(ReportCommand command)
{
    // One command at a time, whatever asks for a second one.
    if (IsTimeCommandRunning())
        return;
    UpdateData(true);
    const std::string host = m_strHost.toStdString();
    m_strOutput = QString::fromStdString(ReportPreamble(command, host));
    UpdateData(false);

    // Stored and shown as queried: without the blanks a paste brought along;
    // the report's first line keeps the host as typed.
    m_strHost = QString::fromStdString(TrimmedHost(host));
    ShowHostInCombo(m_strHost);

    m_waitCursor = std::make_unique<WaitCursorGuard>();
    m_run = std::make_unique<BackgroundTimeCommand>(
        this, command, host, m_timeService, CommandNts(),
        [this](const TimeCommandOutcome& outcome) { OnTimeCommandFinished(outcome); });
    UpdateFrameCommands();
}

std::string CBrisvanderView::HostForCommand()
{
    UpdateData(true);
    return m_strHost.toStdString();
}

NtsOptions CBrisvanderView::CommandNts() const
{
    NtsOptions nts = m_timeService.Nts;
    nts.Enabled = m_nNts != Settings::NtsSettingOff;
    nts.FallBackToPlain = m_nNts == Settings::NtsSettingWhenOffered;
    return nts;
}

void CBrisvanderView::OnTimeCommandFinished(const TimeCommandOutcome& outcome)
{
    // The desktop has no one to read a console, but a terminal it was started from may.
    for (const std::string& warning : outcome.Warnings)
        std::fprintf(stderr, "brisvander: %s\n", EscapeControlCharacters(warning).c_str());
    m_strOutput = QString::fromStdString(outcome.Report);
    // Only the output: the user may have typed another host meanwhile.
    m_output->setText(m_strOutput);
    m_run.reset();
    m_waitCursor.reset();
    UpdateFrameCommands();
}

void CBrisvanderView::UpdateFrameCommands()
{
    if (auto* frame = dynamic_cast<CMainFrame*>(window()))
        frame->UpdateCommandUI();
}

void CBrisvanderView::ChooseNts(int setting)
{
    m_nNts = setting;
    WriteProfileInt(Settings::SettingsSection, Settings::KeyNts, m_nNts);
}

void CBrisvanderView::OnOptionsNts() { ChooseNts(Settings::NtsSettingAlways); }

void CBrisvanderView::OnOptionsNtsOff() { ChooseNts(Settings::NtsSettingOff); }

void CBrisvanderView::OnOptionsNtsAuto() { ChooseNts(Settings::NtsSettingWhenOffered); }

std::optional<bool> CBrisvanderView::OnUpdateCheck(int commandId)
{
    switch (commandId) {
    case ID_OPTIONS_NTS: return m_nNts == Settings::NtsSettingAlways;
    case ID_OPTIONS_NTS_OFF: return m_nNts == Settings::NtsSettingOff;
    case ID_OPTIONS_NTS_AUTO: return m_nNts == Settings::NtsSettingWhenOffered;
    default: return std::nullopt;
    }
}

void CBrisvanderView::OnOptionsAutostart()
{
    CAutostartDlg dialog(window());
    m_bAutostart = GetProfileInt(Settings::SettingsSection, Settings::KeyAutostart, 0);
    dialog.m_bAutostart = m_bAutostart;
    if (dialog.DoModal() != IDOK)
        return;
    WriteProfileInt(Settings::SettingsSection, Settings::KeyAutostart, dialog.m_bAutostart);
    m_bAutostart = dialog.m_bAutostart;
}

void CBrisvanderView::OnHelpManual()
{
    brisvander::OnHelpManual(window());
}

} // namespace brisvander
