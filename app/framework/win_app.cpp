#include "win_app.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

#include "command_ids.h"
#include "doc_view.h"
#include "frames.h"

namespace {
CWinApp* g_app = nullptr;

bool isSwitch(const QString& arg, const char* name) {
    return arg.size() > 1 && (arg[0] == QLatin1Char('-') || arg[0] == QLatin1Char('/')) &&
           arg.mid(1).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}
}  // namespace

CWinApp* AfxGetApp() { return g_app; }

CMDIFrameWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

// ----------------------------------------------------- CCommandLineInfo

void CCommandLineInfo::ParseCommandLine(const QStringList& args) {
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        m_bShowHelp = true;
        m_nShellCommand = FileNothing;
        return;
    }
    QStringList rest = args;
    // The registration and automation switches: whole arguments, last only.
    if (!rest.isEmpty()) {
        const QString& last = rest.last();
        if (isSwitch(last, "RegServer"))
            m_nShellCommand = AppRegister;
        else if (isSwitch(last, "UnregServer"))
            m_nShellCommand = AppUnregister;
        else if (isSwitch(last, "Automation"))
            m_bRunAutomated = true;
        else if (isSwitch(last, "Embedding"))
            m_bRunEmbedded = true;
        if (m_nShellCommand != FileNew || m_bRunAutomated || m_bRunEmbedded) rest.removeLast();
    }
    bool print = false;
    for (const QString& arg : rest) {
        if (arg == QLatin1String("-p"))
            print = true;
        else if (m_strFileName.isEmpty())
            m_strFileName = arg;
    }
    if (m_nShellCommand == AppRegister || m_nShellCommand == AppUnregister) return;
    if (m_bRunAutomated || m_bRunEmbedded)
        m_nShellCommand = m_strFileName.isEmpty() ? AppAutomation : FileOpen;
    else if (!m_strFileName.isEmpty())
        m_nShellCommand = print ? FilePrint : FileOpen;
    else
        m_nShellCommand = FileNew;
}

// ------------------------------------------------------ CRecentFileList

void CRecentFileList::Add(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    // Every save of a document names it again: a list that stays as it is
    // is not written (each write flushes the settings file to the disk).
    if (!m_files.isEmpty() && m_files.front() == full) return;
    m_files.removeAll(full);
    m_files.prepend(full);
    while (m_files.size() > m_nMaxSize) m_files.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < m_files.size()) {
        m_files.removeAt(index);
        WriteList();
    }
}

void CRecentFileList::ReadList() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("Recent File List"));
    m_files.clear();
    for (int i = 1; i <= m_nMaxSize; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty()) m_files << path;
    }
}

void CRecentFileList::WriteList() const {
    QSettings settings;
    settings.beginGroup(QStringLiteral("Recent File List"));
    for (int i = 1; i <= m_nMaxSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_files.size())
            settings.setValue(key, m_files[i - 1]);
        else
            settings.remove(key);
    }
}

// -------------------------------------------------------------- CWinApp

CWinApp::CWinApp(const QString& appName) : m_strAppName(appName) {
    g_app = this;
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + 8,
                   [this](int id) { OnOpenRecentFile(id); });
    OnUpdateCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + 8, [this](CCmdUI* ui) {
        ui->Enable(m_pRecentFileList &&
                   ui->m_nID - ID_FILE_MRU_FILE1 < m_pRecentFileList->GetSize());
    });
    OnCommand(ID_APP_EXIT, [this] {
        if (m_pMainWnd) m_pMainWnd->close();
    });
}

CWinApp::~CWinApp() {
    m_templates.clear();
    if (g_app == this) g_app = nullptr;
}

int CWinApp::ExitInstance() {
    if (m_pRecentFileList) m_pRecentFileList->WriteList();
    return 0;
}

void CWinApp::SetRegistryKey(const QString& organisation) {
    m_strRegistryKey = organisation;
    QCoreApplication::setOrganizationName(organisation);
    QCoreApplication::setApplicationName(m_strAppName);
}

QVariant CWinApp::GetProfileValue(const QString& section, const QString& entry,
                                  const QVariant& def) const {
    QSettings settings;
    return settings.value(section + QLatin1Char('/') + entry, def);
}

void CWinApp::WriteProfileValue(const QString& section, const QString& entry,
                                const QVariant& value) const {
    QSettings settings;
    settings.setValue(section + QLatin1Char('/') + entry, value);
}

void CWinApp::LoadStdProfileSettings(int maxMRU) {
    m_pRecentFileList = std::make_unique<CRecentFileList>(maxMRU);
    m_pRecentFileList->ReadList();
}

void CWinApp::AddToRecentFileList(const QString& path) {
    if (m_pRecentFileList) m_pRecentFileList->Add(path);
}

void CWinApp::AddDocTemplate(CDocTemplate* tmpl) { m_templates.emplace_back(tmpl); }

CDocTemplate* CWinApp::FindTemplate(int resourceId) const {
    for (const auto& t : m_templates)
        if (t->GetResourceId() == resourceId) return t.get();
    return nullptr;
}

CDocument* CWinApp::OpenDocumentFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    // An open document is brought to the front instead of opened twice.
    for (const auto& t : m_templates)
        for (CDocument* doc : t->GetDocuments())
            if (doc->GetPathName() == full) {
                const auto frames = doc->GetFrames();
                if (!frames.empty() && m_pMainWnd) m_pMainWnd->MDIActivate(frames.front());
                return doc;
            }
    // The first template that makes new files and matches the extension.
    CDocTemplate* chosen = nullptr;
    for (const auto& t : m_templates) {
        if (t->GetDocString(CDocTemplate::fileNewName).isEmpty()) continue;
        if (!chosen) chosen = t.get();
        const QString ext = t->GetDocString(CDocTemplate::filterExt);
        if (!ext.isEmpty() && full.endsWith(ext, Qt::CaseInsensitive)) {
            chosen = t.get();
            break;
        }
    }
    return chosen ? chosen->OpenDocumentFile(full) : nullptr;
}

void CWinApp::OnFileNew() {
    for (const auto& t : m_templates)
        if (!t->GetDocString(CDocTemplate::fileNewName).isEmpty()) {
            t->OpenDocumentFile(QString());
            return;
        }
}

void CWinApp::OnFileOpen() {
    CDocTemplate* tmpl = nullptr;
    for (const auto& t : m_templates)
        if (!t->GetDocString(CDocTemplate::fileNewName).isEmpty()) {
            tmpl = t.get();
            break;
        }
    QString path;
    if (AfxDoPromptFileName(path, true, tmpl)) OpenDocumentFile(path);
}

void CWinApp::OnOpenRecentFile(int id) {
    const int index = id - ID_FILE_MRU_FILE1;
    if (!m_pRecentFileList || index >= m_pRecentFileList->GetSize()) return;
    if (!OpenDocumentFile((*m_pRecentFileList)[index])) m_pRecentFileList->Remove(index);
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info) {
    switch (info.m_nShellCommand) {
        case CCommandLineInfo::FileNew:
            OnFileNew();
            return true;
        case CCommandLineInfo::FileOpen:
            return OpenDocumentFile(info.m_strFileName) != nullptr;
        case CCommandLineInfo::FilePrint: {
            CDocument* doc = OpenDocumentFile(info.m_strFileName);
            if (!doc) return false;
            m_bShellPrinted = !doc->GetViews().empty() && doc->GetViews().front()->PrintDirect();
            doc->OnCloseDocument();
            return false;  // printed: nothing more to show
        }
        default:
            return true;
    }
}

bool CWinApp::SaveAllModified() {
    for (const auto& t : m_templates)
        for (CDocument* doc : std::vector<CDocument*>(t->GetDocuments()))
            if (!doc->SaveModified()) return false;
    return true;
}

void CWinApp::CloseAllDocuments() {
    for (const auto& t : m_templates) t->CloseAllDocuments();
}
