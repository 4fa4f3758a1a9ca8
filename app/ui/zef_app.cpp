#include "zef_app.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <cstdio>

#include "automation.h"
#include "command_ids.h"
#include "doc_view.h"
#include "dialog.h"
#include "main_frame.h"
#include "object_properties.h"
#include "options_dlg.h"
#include "report_view.h"
#include "scenario_doc.h"
#include "scenario_frame.h"
#include "scenario_limits.h"
#include "scenario_view.h"
#include "units.h"
#include "message_box.h"
#include "vexil/message.h"
#include "vexil/object.h"
#include "zef_db_mgr.h"

namespace {

// The diagram library's messages reach the user as the program's own boxes.
const char kUsage[] =
    "Usage: Orvane [FILE.zef]\n"
    "       Orvane -p FILE.zef\n"
    "       Orvane -RegServer | -UnregServer | -Automation\n"
    "\n"
    "Leak discharge from subsea pipeline networks.\n"
    "\n"
    "  FILE.zef       open the scenario (without it a new scenario opens)\n"
    "  -p FILE.zef    print the scenario's diagram on the default printer and end\n"
    "  -RegServer     register the program's D-Bus automation service and end\n"
    "  -UnregServer   remove that registration and end\n"
    "  -Automation    start without a window, for an automation client\n"
    "  -h, --help     show this text and end\n";

void showLibraryMessage(message_icon icon, const char* text, void*) {
    AfxMessageBox(QString::fromUtf8(text),
                  icon == MESSAGE_ICON_ERROR ? MB_ICONERROR : MB_ICONEXCLAMATION);
}

// The About box (606).
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(QWidget* parent) : CDialog(IDD_ABOUTBOX, parent) {
        setWindowTitle(QStringLiteral("About Orvane"));
        auto* layout = new QVBoxLayout(this);
        auto* icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
        layout->addWidget(icon);
        auto* title = new QLabel(
            QStringLiteral("<b>Orvane</b> - leak discharge from subsea pipeline networks"), this);
        layout->addWidget(title);
        layout->addWidget(new QLabel(QStringLiteral("Version 1.0"), this));
        auto* licence = new QLabel(QStringLiteral("Licensed to the user for engineering studies of "
                                                  "pipeline leaks. The results are estimates "
                                                  "and must be judged by a qualified engineer."),
                                   this);
        licence->setWordWrap(true);
        layout->addWidget(licence);
        auto* origin = new QLabel(
            QStringLiteral("The network diagram is drawn with the Vexil diagram library, a "
                           "procedural library of "
                           "typed objects with handles, connection points and an XML file format."),
            this);
        origin->setWordWrap(true);
        layout->addWidget(origin);
        auto* close = Tag(new QPushButton(QStringLiteral("Close"), this), IDOK);
        connect(close, &QPushButton::clicked, this, [this] { EndDialog(IDOK); });
        layout->addWidget(close, 0, Qt::AlignRight);
    }
};

}  // namespace

CZefApp::CZefApp() : CWinApp(QStringLiteral("Orvane")) {
    OnCommand(ID_APP_ABOUT, [this] { OnAbout(); });
    OnCommand(ID_APP_OPTIONS, [this] { OnOptions(); });
}

CZefApp::~CZefApp() {
    if (AppSettings() == &m_settings) SetAppSettings(nullptr);
}

CMainFrame* CZefApp::MainFrame() const { return static_cast<CMainFrame*>(m_pMainWnd); }

bool CZefApp::InitComServer(const CCommandLineInfo& info) {
    ComServerAction action = ComServerAction::Run;
    if (info.m_nShellCommand == CCommandLineInfo::AppRegister)
        action = ComServerAction::Register;
    else if (info.m_nShellCommand == CCommandLineInfo::AppUnregister)
        action = ComServerAction::Unregister;
    bool run = true;
    m_nExitCode = ::InitComServer(action, m_strModulePath, run);
    return run;
}

void CZefApp::WatchAutomationClients() {
    // An automation start has no window to close: it ends when its last bus
    // client has gone and no scenario is open.
    theDBMgr.SetLastClientGoneHandler([this] {
        CMainFrame* main = MainFrame();
        if (!main || main->MdiArea()->subWindowList().isEmpty()) QCoreApplication::quit();
    });
    theDBMgr.EnableLifetimeWatch(kAutomationIdleGraceMs);
}

void CZefApp::StopAutomation() {
    theDBMgr.StopDatabaseManager();
    ::TermComServer();
}

bool CZefApp::InitInstance() {
    if (m_strModulePath.isEmpty()) m_strModulePath = QCoreApplication::applicationFilePath();
    if (!m_bArgsSet) m_args = QCoreApplication::arguments().mid(1);
    CCommandLineInfo info;
    info.ParseCommandLine(m_args);
    if (info.m_bShowHelp) {
        std::fputs(kUsage, stdout);
        std::fflush(stdout);
        m_nExitCode = 0;
        return false;
    }
    if (!InitComServer(info)) return false;
    theDBMgr.StartDatabaseManager();  // without a server the import stays disabled

    SetRegistryKey(QStringLiteral("Holvik"));
    LoadStdProfileSettings(9);

    AddDocTemplate(new CDocTemplate(
        IDR_SCENARIO,
        QStringLiteral(
            "Orvane\nScenario\nScenario\nZEF Scenario (*.zef)\n.zef\nZEF.Document\nZEF Document"),
        [] { return new CScenarioDoc; }, [] { return new CScenarioFrame; },
        [] { return new CScenarioView; }));
    AddDocTemplate(new CDocTemplate(
        IDR_REPORT, QStringLiteral("\nSummary\n\n\n\nZEF.Report\n"),
        [] { return new CScenarioDoc; }, [] { return new CMDIChildWnd; },
        [] { return new CReportView; }));

    message_set_sink(showLibraryMessage, nullptr);
    m_bVexilStarted = vexil_startup() != 0;
    if (!m_bVexilStarted) {
        m_nExitCode = 1;
        return false;
    }
    InstallScenarioFileLimits();
    RegisterPropertyDialogs();

    m_settings.Load(m_strModulePath, true);
    SetAppSettings(&m_settings);
    LoadUnitConversions(m_settings.GetDataDir() + QStringLiteral("unitconv.txt"));
    LoadUnitSelections();

    auto* main = new CMainFrame;
    m_pMainWnd = main;
    if (main->OnCreate() == -1) {
        delete main;
        m_pMainWnd = nullptr;
        m_nExitCode = 1;
        return false;
    }
    main->resize(1000, 720);
    QObject::connect(main->MdiArea(), &QMdiArea::subWindowActivated, main,
                     [this] { OnActiveFrameChanged(); });

    if (info.m_bRunAutomated || info.m_bRunEmbedded) {
        WatchAutomationClients();
        return true;  // no window: the automation client drives the program
    }
    if (!ProcessShellCommand(info)) {
        // A print from the command line ends the program, well when printed.
        m_nExitCode = info.m_nShellCommand == CCommandLineInfo::FilePrint && ShellPrinted() ? 0 : 1;
        return false;
    }
    main->show();
    OnActiveFrameChanged();
    return true;
}

int CZefApp::ExitInstance() {
    StopAutomation();  // the bus objects go while the application still exists
    CloseAllDocuments();
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    if (m_bVexilStarted) {
        vexil_shutdown();
        m_bVexilStarted = false;
    }
    message_set_sink(nullptr, nullptr);
    CWinApp::ExitInstance();
    return m_nExitCode;
}

void CZefApp::OnActiveFrameChanged() {
    CMainFrame* main = MainFrame();
    if (!main) return;
    CDocument* doc = main->GetActiveDocument();
    main->setWindowTitle(doc ? QStringLiteral("Orvane - %1[*]").arg(doc->GetTitle())
                             : QStringLiteral("Orvane"));
    main->setWindowModified(doc && doc->IsModified());
}

void CZefApp::OnAbout() {
    CAboutDlg dlg(m_pMainWnd);
    dlg.DoModal();
}

void CZefApp::OnOptions() {
    CSystemSettingsDlg dlg(m_pMainWnd);
    dlg.ReadFrom(m_settings);
    if (dlg.DoModal() != IDOK) return;
    const int units = m_settings.DisplayUnits();
    dlg.WriteTo(m_settings);
    // Open windows (the reports above all) show their values in the display
    // units: they follow a change at once, not at the next run.
    if (m_settings.DisplayUnits() != units)
        for (const auto& docTemplate : GetTemplates())
            for (CDocument* doc : docTemplate->GetDocuments()) doc->UpdateAllViews(nullptr);
}
