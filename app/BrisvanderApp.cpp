#include "BrisvanderApp.h"

#include "AboutDlg.h"
#include "BackgroundHistoryRecorder.h"
#include "BackgroundWatch.h"
#include "BrisvanderView.h"
#include "CommandIds.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "MeasurementRecords.h"
#include "MainFrame.h"
#include "ProfileStore.h"
#include "SettingsKeys.h"
#include "SocketStartup.h"
#include "StandardErrorWarning.h"
#include "ResourceText.h"
#include "StringTable.h"
#include "SurveyWindow.h"
#include "WatchFigureText.h"
#include "WatchIntervalDlg.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

namespace brisvander {

namespace {
const CommandMapEntry<CBrisvanderApp> s_messageMap[] = {
    {ID_APP_ABOUT, &CBrisvanderApp::OnAppAbout},
    {ID_FILE_NEW, &CBrisvanderApp::OnFileNew},
    {ID_VIEW_HISTORY, &CBrisvanderApp::OnViewHistory},
    {ID_SERVER_SURVEY, &CBrisvanderApp::OnServerSurvey},
    {ID_SERVER_WATCH, &CBrisvanderApp::OnServerWatch},
};

QString AppTitle()
{
    return ResourceText(LoadResourceString(AFX_IDS_APP_TITLE));
}

// The survey window's run: what it finds is kept in the history like any
// other measurement, unless it was cancelled and so says little.
std::vector<HostSurvey> SurveyAndRecord(std::span<const std::string> hosts, const SurveyPlan& plan)
{
    BackgroundHistoryRecorder history(DefaultHistoryPath(), WarnOnStandardError);
    std::vector<HostSurvey> results = RunSurvey(hosts, plan);
    if (plan.Cancel == nullptr || !plan.Cancel->load())
        history.Record(SurveyMeasurements(
            results, UnixMicrosecondsOf(NtpTimestamp::Now(), NtpTimestamp::LocalClockSecondsSince1900())));
    return results;
}

void BringUp(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

CBrisvanderApp::CBrisvanderApp(AppSeams seams) : m_seams(std::move(seams))
{
    if (!m_seams.SocketStartup)
        m_seams.SocketStartup = StartSocketLibrary;
    if (!m_seams.Survey.Run)
        m_seams.Survey.Run = SurveyAndRecord;
    if (!m_seams.AskWatchInterval)
        m_seams.AskWatchInterval = AskWatchInterval;
}

// The frame takes the view with it; the view stores the host on its way out.
CBrisvanderApp::~CBrisvanderApp() = default;

BOOL CBrisvanderApp::InitInstance()
{
    QApplication::setApplicationName(AppTitle());
    LoadQtTranslation();

    if (!m_seams.SocketStartup()) {
        QMessageBox::critical(nullptr, AppTitle(), ResourceText(LoadResourceString(IDP_SOCKETS_INIT_FAILED)),
                              QMessageBox::Ok);
        return false;
    }

    WriteProfileString(Settings::SettingsSection, Settings::KeyVersion, QString::fromUtf8(g_strVersion));

    if (!OpenDocumentFrameAndView())
        return false;

    m_mainFrame->show();
    m_mainFrame->setWindowTitle(AppTitle());
    return true;
}

void CBrisvanderApp::LoadQtTranslation()
{
    // The standard buttons read "Ja", "Nein", "Abbrechen" like the rest of the program.
    if (m_qtTranslation.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&m_qtTranslation);
}

bool CBrisvanderApp::OpenDocumentFrameAndView()
{
    if (!m_document.OnNewDocument())
        return false;
    m_mainFrame = std::make_unique<CMainFrame>();
    m_view = new CBrisvanderView(m_seams.Time);
    if (!m_mainFrame->LoadFrame(m_view, m_view, &m_document, this)) {
        m_view = nullptr;
        m_mainFrame.reset();
        return false;
    }
    // Runs before the window is first shown, including an automatic synchronisation.
    m_view->OnInitialUpdate();
    return true;
}

bool CBrisvanderApp::OnCmdMsg(int commandId)
{
    return DispatchCommand<CBrisvanderApp>(*this, s_messageMap, commandId);
}

std::optional<bool> CBrisvanderApp::OnUpdateCmdUI(int commandId)
{
    if (commandId == ID_FILE_NEW)
        return m_view == nullptr || !m_view->IsTimeCommandRunning();
    return std::nullopt;
}

void CBrisvanderApp::OnFileNew()
{
    if (m_view != nullptr && m_view->IsTimeCommandRunning())
        return;
    if (m_document.OnNewDocument() && m_view != nullptr)
        m_view->OnInitialUpdate();
}

void CBrisvanderApp::OnAppAbout()
{
    // Built afresh at every opening, so the credits start from below again.
    CAboutDlg dialog(m_mainFrame.get());
    dialog.DoModal();
}

HistoryWindow* CBrisvanderApp::HistoryWindowShown() const { return m_historyWindow; }

SurveyWindow* CBrisvanderApp::SurveyWindowShown() const { return m_surveyWindow; }

void CBrisvanderApp::OnViewHistory()
{
    // Beside the main window, closed with it; gone once closed.
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(m_mainFrame.get());
        m_historyWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    BringUp(m_historyWindow);
    m_historyWindow->Reload();
}

void CBrisvanderApp::OnServerSurvey()
{
    if (m_surveyWindow) {
        BringUp(m_surveyWindow);
        return;
    }
    m_surveyWindow = new SurveyWindow(m_seams.Survey, m_mainFrame.get());
    m_surveyWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_surveyWindow->SetHostChosen([this](const QString& host) {
        if (m_view == nullptr)
            return;
        m_view->TypeHost(host);
        BringUp(m_mainFrame.get());
    });
    BringUp(m_surveyWindow);
    m_surveyWindow->Start();
}

std::optional<bool> CBrisvanderApp::OnUpdateCheck(int commandId)
{
    if (commandId == ID_SERVER_WATCH)
        return IsWatching();
    return std::nullopt;
}

bool CBrisvanderApp::IsWatching() const { return m_watch != nullptr && m_watch->Running(); }

void CBrisvanderApp::OnServerWatch()
{
    if (IsWatching()) {
        // Off at once; the exchange under way, if any, ends on its own.
        m_watch.reset();
        m_watchFigure->hide();
        return;
    }
    if (m_view == nullptr)
        return;
    const std::string host = m_view->HostForCommand();
    const std::optional<std::chrono::seconds> interval = m_seams.AskWatchInterval(m_mainFrame.get());
    if (!interval)
        return;
    if (m_watchFigure == nullptr) {
        m_watchFigure = new QLabel;
        m_watchFigure->setObjectName(QStringLiteral("WatchFigure"));
        m_mainFrame->StatusBar()->addPermanentWidget(m_watchFigure);
    }
    m_watchFigure->setText(WatchStartedText());
    m_watchFigure->show();
    m_watch = std::make_unique<BackgroundWatch>(
        m_mainFrame.get(), host, m_seams.Time, m_view->CommandNts(), *interval,
        [this](const WatchMeasurement& measurement) { ShowWatchMeasurement(measurement); }, [] {});
}

void CBrisvanderApp::ShowWatchMeasurement(const WatchMeasurement& measurement)
{
    m_watchFigure->setText(WatchFigureText(measurement.Sample));
    m_watchFigure->setToolTip(WatchFigureTooltip(m_watch->Host(), measurement.Number));
    if (m_historyWindow && measurement.Sample.Succeeded) {
        const SntpResult& result = measurement.Sample.Result;
        m_historyWindow->AddMeasurement(
            m_watch->Host(), DriftPoint{measurement.UnixMicroseconds, result.ClockOffset, result.RoundtripDelay});
    }
}

} // namespace brisvander
