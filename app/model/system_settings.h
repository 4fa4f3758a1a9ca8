// Application-wide settings of Orvane: font sizes, display units, behaviour
// switches and directories, kept in QSettings under the organisation "Holvik".
//
// The diagram library reaches the settings through the plain functions at
// the end of this header and through its font-size provider, which
// SetAppSettings() installs; they answer with defaults while no settings
// object has been installed.
#pragma once

#ifdef __cplusplus
#include <QString>

class CSystemSettings {
public:
    CSystemSettings() = default;

    // Program directory from the module path; then, with persist, the stored
    // values (sizes only when > 0, the five switches only when >= 0).
    // A null module path leaves the program directory "./".
    void Load(const char* modulePath, bool persist);
    void Load(const QString& modulePath, bool persist);

    // Setters store the value and write it through when persist is on.
    void SetSizeObjectLabel(int size);
    void SetSizeText(int size);
    void SetDisplayUnits(int units);
    void SetToolReset(bool on);
    void SetAutoResultOpen(bool on);
    void SetBackupBeforeOverwrite(bool on);
    void SetDiagnosticMode(bool on);

    int SizeObjectLabel() const { return m_SizeObjectLabel; }
    int SizeText() const { return m_SizeText; }
    int DisplayUnits() const { return m_DisplayUnits; }
    bool ToolReset() const { return m_ToolReset; }
    bool AutoResultOpen() const { return m_AutoResultOpen; }
    bool BackupBeforeOverwrite() const { return m_BackupBeforeOverwrite; }
    bool DiagnosticMode() const { return m_DiagnosticMode; }
    bool Persist() const { return m_persist; }

    // The folder of the executable (where the plot viewer lies beside it).
    QString GetProgramDir() const { return m_programDir; }
    // The folder of the data files (unit tables, component catalogue,
    // default ambient data): see DataDirOf.
    QString GetDataDir() const { return m_dataDir; }
    // AmbientDB with a trailing "/" unless it already ends in "/" or "\".
    QString GetAmbientDir() const;

    // Program directory of a module path: up to its last "\", "/" or ":",
    // followed by "/"; "/" when it has none of them.
    static QString ProgramDirOf(const QString& modulePath);

private:
    void WriteInt(const char* group, const char* key, int value) const;

    bool m_persist = false;
    int m_SizeObjectLabel = 10;
    int m_SizeText = 12;
    int m_DisplayUnits = 1;
    bool m_ToolReset = true;
    bool m_AutoResultOpen = true;
    bool m_BackupBeforeOverwrite = true;
    bool m_DiagnosticMode = false;
    QString m_AmbientDB = QStringLiteral("Ambient");
    QString m_programDir = QStringLiteral("./");
    QString m_dataDir = QStringLiteral("./");
};

// The application's settings object (null before the application installs
// one). The caller keeps ownership. Installing also makes the diagram
// library's app_font_size() answer from these settings.
CSystemSettings* AppSettings();
void SetAppSettings(CSystemSettings* settings);

// Font size in points: 0 object labels, 1 Text objects; otherwise, or
// without settings, 10. The diagram library's font-size provider.
int settings_font_size(int which);

extern "C" {
#endif

int app_backup_enabled(void);
int app_diagnostic_mode(void);
// Full path of the trace file "zeftrace.txt", fixed at the first call.
const char* app_trace_path(void);

#ifdef __cplusplus
}
#endif
