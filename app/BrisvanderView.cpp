#include "BrisvanderView.h"

#include "AutostartDlg.h"
#include "CommandIds.h"
#include "DialogUnitScale.h"
#include "FrameResources.h"
#include "HelpLauncher.h"
#include "IntroText.h"
#include "LinkLabel.h"
#include "OutputPane.h"
#include "ProductAddress.h"
#include "ProfileStore.h"
#include "ServerList.h"
#include "SettingsKeys.h"
#include "StoredHost.h"
#include "TimeCommand.h"
#include "WaitCursor.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>

namespace brisvander {

namespace {
// The form, in dialog units.
constexpr QSize FormSize(289, 206);
constexpr QRect WebLinkRect(7, 15, 89, 8);
constexpr QRect IconRect(105, 15, 21, 20);
constexpr QRect ServerRect(137, 15, 145, 175); // height when dropped down
constexpr QRect OutputRect(7, 44, 275, 155);
constexpr int ProgramIconPixels = 32;

const CommandMapEntry<CBrisvanderView> s_messageMap[] = {
    {ID_SERVER_INFO, &CBrisvanderView::OnServerInfo},
    {ID_SERVER_SYNC, &CBrisvanderView::OnServerSync},
    {ID_HELP_MANUAL, &CBrisvanderView::OnHelpManual},
    {ID_OPTIONS_AUTOSTART, &CBrisvanderView::OnOptionsAutostart},
};
} // namespace

CBrisvanderView::CBrisvanderView(const TimeService& timeService, QWidget* parent)
    : QWidget(parent), m_timeService(timeService)
{
    setObjectName(QStringLiteral("IDD_MAIN_FORM"));
    m_bAutostart = GetProfileInt(Settings::SettingsSection, Settings::KeyAutostart, 0);
    CreateControls();
}

CBrisvanderView::~CBrisvanderView()
{
    WriteProfileString(Settings::SettingsSection, Settings::KeyHost, m_strHost);
}

void CBrisvanderView::CreateControls()
{
    const DialogUnitScale dialogUnits(font());
    setMinimumSize(dialogUnits.X(FormSize.width()), dialogUnits.Y(FormSize.height()));

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

    m_comboServer = new QComboBox(this);
    m_comboServer->setObjectName(QStringLiteral("IDC_SERVER"));
    m_comboServer->setEditable(true);
    m_comboServer->setInsertPolicy(QComboBox::NoInsert);
    m_comboServer->setCompleter(nullptr); // the typed text is used as typed
    for (std::string_view host : ServerList())
        m_comboServer->addItem(QString::fromUtf8(host.data(), static_cast<qsizetype>(host.size())));
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
}

bool CBrisvanderView::OnCmdMsg(int commandId)
{
    return DispatchCommand<CBrisvanderView>(*this, s_messageMap, commandId);
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
    // Shrink the frame to the form, never enlarge it.
    if (auto* frame = qobject_cast<QMainWindow*>(window())) {
        frame->layout()->activate();
        frame->resize(frame->size().boundedTo(frame->sizeHint()).expandedTo(frame->minimumSizeHint()));
    }
    m_strOutput = QString::fromStdString(IntroText());
    m_strHost = StoredOrDefaultHost();
    UpdateData(false);
    if (m_bAutostart == 1)
        OnServerSync();
}

void CBrisvanderView::OnSelchangeServer()
{
    const int index = m_comboServer->currentIndex();
    if (index < 0)
        return;
    m_strHost = m_comboServer->itemText(index);
    WriteProfileString(Settings::SettingsSection, Settings::KeyHost, m_strHost);
}

void CBrisvanderView::OnServerInfo() { RunTimeCommandInView(ReportCommand::Info); }

void CBrisvanderView::OnServerSync() { RunTimeCommandInView(ReportCommand::Sync); }

void CBrisvanderView::RunTimeCommandInView(ReportCommand command)
{
    UpdateData(true);
    const std::string host = m_strHost.toStdString();
    m_strOutput = QString::fromStdString(ReportPreamble(command, host));
    UpdateData(false);
    // The exchange blocks this thread: paint the preamble now, without
    // handling any other event meanwhile. The whole window, so that no
    // remains of a just-closed menu stay on screen while it waits.
    window()->repaint();

    WaitCursorGuard waitCursor;
    SntpClient client(*m_timeService.Clock);
    const TimeCommandOutcome outcome = RunTimeCommand(command, host, m_timeService.Port, client);
    // Stored and shown as queried: without the blanks a paste brought along.
    m_strHost = QString::fromStdString(outcome.QueriedHost);
    m_strOutput = QString::fromStdString(outcome.Report);
    UpdateData(false);
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
