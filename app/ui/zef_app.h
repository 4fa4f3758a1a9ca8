#pragma once
#include "system_settings.h"
#include "win_app.h"

class CMainFrame;

// The application Orvane: its settings, the scenario and summary window
// templates, the main frame and the start from the command line.
class CZefApp : public CWinApp {
public:
    // How long an automation start waits for its first client.
    static constexpr int kAutomationIdleGraceMs = 60000;

    CZefApp();
    ~CZefApp() override;

    // Start-up in order; false ends the program (status in ExitCode()).
    bool InitInstance() override;
    int ExitInstance() override;

    CSystemSettings& GetSettings() { return m_settings; }
    CMainFrame* MainFrame() const;
    int ExitCode() const { return m_nExitCode; }

    // The executable's path: settings and data files are found beside it.
    // Tests point it at the build's program folder.
    void SetModulePath(const QString& path) { m_strModulePath = path; }
    // The command line without the program name (by default the process's).
    void SetArguments(const QStringList& args) {
        m_args = args;
        m_bArgsSet = true;
    }

    void OnAbout();
    void OnOptions();

private:
    // The automation module's start: false when the command line asked only
    // to register or unregister it.
    bool InitComServer(const CCommandLineInfo& info);
    // The quit rule of an automation start.
    void WatchAutomationClients();
    // Ends the database link and gives the automation service's bus name back.
    void StopAutomation();
    void OnActiveFrameChanged();
    void OnFrameTitleChanged(CMDIChildWnd*) override { OnActiveFrameChanged(); }

    CSystemSettings m_settings;
    QString m_strModulePath;
    QStringList m_args;
    bool m_bArgsSet = false;
    bool m_bVexilStarted = false;
    int m_nExitCode = 0;
};
