#include "system_settings.h"

#include <QSettings>

#include <atomic>
#include <cstring>

#include <vexil/app_settings.h>

#include "data_dir.h"

namespace {

const char ORGANISATION[] = "Holvik";
const char APPLICATION[] = "Orvane";

std::atomic<CSystemSettings*> g_settings{nullptr};

}  // namespace

QString CSystemSettings::ProgramDirOf(const QString& modulePath) {
    qsizetype cut = -1;
    for (QChar sep : {QChar('\\'), QChar('/'), QChar(':')})
        cut = std::max(cut, modulePath.lastIndexOf(sep));
    if (cut < 0) return QStringLiteral("/");
    return modulePath.left(cut) + QLatin1Char('/');
}

void CSystemSettings::Load(const char* modulePath, bool persist) {
    if (modulePath)
        Load(QString::fromUtf8(modulePath), persist);
    else
        Load(QString(), persist);
}

void CSystemSettings::Load(const QString& modulePath, bool persist) {
    m_persist = persist;
    if (!modulePath.isNull()) {
        m_programDir = ProgramDirOf(modulePath);
        m_dataDir = DataDirOf(m_programDir);
    }
    if (!persist) return;

    QSettings reg(ORGANISATION, APPLICATION);
    reg.beginGroup(QStringLiteral("Fonts"));
    if (int v = reg.value(QStringLiteral("SizeObjectLabel"), 0).toInt(); v > 0)
        m_SizeObjectLabel = v;
    if (int v = reg.value(QStringLiteral("SizeText"), 0).toInt(); v > 0) m_SizeText = v;
    reg.endGroup();

    reg.beginGroup(QStringLiteral("Settings"));
    auto readSwitch = [&reg](const char* key) { return reg.value(QLatin1String(key), -1).toInt(); };
    if (int v = readSwitch("DisplayUnits"); v >= 0) m_DisplayUnits = v;
    if (int v = readSwitch("ToolReset"); v >= 0) m_ToolReset = v != 0;
    if (int v = readSwitch("AutoResultOpen"); v >= 0) m_AutoResultOpen = v != 0;
    if (int v = readSwitch("BackupBeforeOverwrite"); v >= 0) m_BackupBeforeOverwrite = v != 0;
    if (int v = readSwitch("DiagnosticMode"); v >= 0) m_DiagnosticMode = v != 0;
    reg.endGroup();

    reg.beginGroup(QStringLiteral("Directories"));
    m_AmbientDB =
        reg.value(QStringLiteral("AmbientDB"), m_dataDir + QStringLiteral("Ambient")).toString();
    reg.endGroup();
}

void CSystemSettings::WriteInt(const char* group, const char* key, int value) const {
    if (!m_persist) return;
    QSettings reg(ORGANISATION, APPLICATION);
    reg.beginGroup(QLatin1String(group));
    reg.setValue(QLatin1String(key), value);
    reg.endGroup();
    reg.sync();
}

void CSystemSettings::SetSizeObjectLabel(int size) {
    m_SizeObjectLabel = size;
    WriteInt("Fonts", "SizeObjectLabel", size);
}

void CSystemSettings::SetSizeText(int size) {
    m_SizeText = size;
    WriteInt("Fonts", "SizeText", size);
}

void CSystemSettings::SetDisplayUnits(int units) {
    m_DisplayUnits = units;
    WriteInt("Settings", "DisplayUnits", units);
}

void CSystemSettings::SetToolReset(bool on) {
    m_ToolReset = on;
    WriteInt("Settings", "ToolReset", on ? 1 : 0);
}

void CSystemSettings::SetAutoResultOpen(bool on) {
    m_AutoResultOpen = on;
    WriteInt("Settings", "AutoResultOpen", on ? 1 : 0);
}

void CSystemSettings::SetBackupBeforeOverwrite(bool on) {
    m_BackupBeforeOverwrite = on;
    WriteInt("Settings", "BackupBeforeOverwrite", on ? 1 : 0);
}

void CSystemSettings::SetDiagnosticMode(bool on) {
    m_DiagnosticMode = on;
    WriteInt("Settings", "DiagnosticMode", on ? 1 : 0);
}

QString CSystemSettings::GetAmbientDir() const {
    if (m_AmbientDB.endsWith(QLatin1Char('/')) || m_AmbientDB.endsWith(QLatin1Char('\\')))
        return m_AmbientDB;
    return m_AmbientDB + QLatin1Char('/');
}

CSystemSettings* AppSettings() { return g_settings.load(); }

void SetAppSettings(CSystemSettings* settings) {
    g_settings.store(settings);
    app_set_font_size_provider(settings ? settings_font_size : nullptr);
}

int settings_font_size(int which) {
    const CSystemSettings* s = AppSettings();
    if (!s) return 10;
    if (which == 0) return s->SizeObjectLabel();
    if (which == 1) return s->SizeText();
    return 10;
}

extern "C" int app_backup_enabled(void) {
    const CSystemSettings* s = AppSettings();
    return s && s->BackupBeforeOverwrite() ? 1 : 0;
}

extern "C" int app_diagnostic_mode(void) {
    const CSystemSettings* s = AppSettings();
    return s && s->DiagnosticMode() ? 1 : 0;
}

extern "C" const char* app_trace_path(void) {
    // Fixed at the first call, so every trace writer appends to one file
    // even if the program directory changes later.
    static char path[2048];
    static const bool filled = [] {
        const CSystemSettings* s = AppSettings();
        QByteArray p =
            ((s ? s->GetProgramDir() : QString()) + QStringLiteral("zeftrace.txt")).toUtf8();
        std::strncpy(path, p.constData(), sizeof path - 1);
        path[sizeof path - 1] = '\0';
        return true;
    }();
    (void)filled;
    return path;
}
