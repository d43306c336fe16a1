#include "BrisvanderApp.h"

#include "AboutDlg.h"
#include "BrisvanderView.h"
#include "CommandIds.h"
#include "MainFrame.h"
#include "ProfileStore.h"
#include "SettingsKeys.h"
#include "SocketStartup.h"
#include "ResourceText.h"
#include "StringTable.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>

namespace brisvander {

namespace {
const CommandMapEntry<CBrisvanderApp> s_messageMap[] = {
    {ID_APP_ABOUT, &CBrisvanderApp::OnAppAbout},
    {ID_FILE_NEW, &CBrisvanderApp::OnFileNew},
};

QString AppTitle()
{
    return ResourceText(LoadResourceString(AFX_IDS_APP_TITLE));
}
} // namespace

CBrisvanderApp::CBrisvanderApp(AppSeams seams) : m_seams(std::move(seams))
{
    if (!m_seams.SocketStartup)
        m_seams.SocketStartup = StartSocketLibrary;
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

} // namespace brisvander
