#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

#include "cmd_target.h"

class CDocTemplate;
class CDocument;
class CMDIChildWnd;
class CMDIFrameWnd;

// What the command line asks for. Switches ("-" or "/" and a name, in any
// case) count only as a whole argument; the automation switches only as the
// last one, so a file path that ends in "/regserver" still opens as a file.
class CCommandLineInfo {
public:
    enum ShellCommand {
        FileNew,
        FileOpen,
        FilePrint,
        FileNothing,
        AppRegister,
        AppUnregister,
        AppAutomation
    };

    void ParseCommandLine(const QStringList& args);  // without the program name

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    bool m_bRunAutomated = false;
    bool m_bRunEmbedded = false;
    bool m_bShowHelp = false;  // "--help" or "-h": the usage text, nothing else
};

// The most recently used files, kept in the settings ("Recent File List",
// entries "File1".."FileN").
class CRecentFileList {
public:
    explicit CRecentFileList(int maxSize) : m_nMaxSize(maxSize) {}
    void Add(const QString& path);
    void Remove(int index);
    int GetSize() const { return static_cast<int>(m_files.size()); }
    int GetMaxSize() const { return m_nMaxSize; }
    QString operator[](int index) const { return m_files.value(index); }
    void ReadList();
    void WriteList() const;

private:
    int m_nMaxSize;
    QStringList m_files;
};

// The application: document templates, the recent-file list, the settings
// key and the commands that need no document.
class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const QString& appName);
    ~CWinApp() override;

    virtual bool InitInstance() { return true; }
    virtual int ExitInstance();
    // A child window's title or modified mark has changed.
    virtual void OnFrameTitleChanged(CMDIChildWnd*) {}

    const QString& GetAppName() const { return m_strAppName; }
    void SetRegistryKey(const QString& organisation);
    const QString& GetRegistryKey() const { return m_strRegistryKey; }
    QVariant GetProfileValue(const QString& section, const QString& entry,
                             const QVariant& def = {}) const;
    void WriteProfileValue(const QString& section, const QString& entry,
                           const QVariant& value) const;

    void LoadStdProfileSettings(int maxMRU);
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }
    void AddToRecentFileList(const QString& path);

    void AddDocTemplate(CDocTemplate* tmpl);  // takes ownership
    const std::vector<std::unique_ptr<CDocTemplate>>& GetTemplates() const { return m_templates; }
    CDocTemplate* FindTemplate(int resourceId) const;

    CMDIFrameWnd* m_pMainWnd = nullptr;

    virtual CDocument* OpenDocumentFile(const QString& path);
    void OnFileNew();
    void OnFileOpen();
    void OnOpenRecentFile(int id);
    bool ProcessShellCommand(const CCommandLineInfo& info);
    // Whether the command line's print (-p FILE) printed.
    bool ShellPrinted() const { return m_bShellPrinted; }
    // Asks to save every modified document; false when the user cancelled.
    bool SaveAllModified();
    void CloseAllDocuments();

private:
    QString m_strAppName;
    QString m_strRegistryKey;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    bool m_bShellPrinted = false;
};

CWinApp* AfxGetApp();
CMDIFrameWnd* AfxGetMainWnd();
