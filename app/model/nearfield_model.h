// The near-field models' common base: prepared on the GUI thread from the
// discharge results and the leak's data, run on the worker thread, where the
// model's computation runs and its result code becomes a message identifier.
#pragma once

#include "message_ids.h"
#include "model_errors.h"
#include "result_file_reader.h"

#include <release/release.h>

#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <libxml/tree.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <vector>

// Result codes of a near-field computation that are not failures.
enum : int { NearFieldDone = 0, NearFieldCancelled = 9999 };

// The message identifier a computation's result code is shown with; 0 for
// the two codes that count as success (done, cancelled).
int NearFieldResultMessage(int code);

// One row of the discharge time series as the generic near-field models take it.
struct ReleaseRecord {
    float Time;    // s since the leak opened
    float Qgas;    // kg/s
    float Qoil;    // kg/s
    float Qwater;  // kg/s
    float Temp;    // deg.C, ambient temperature at the leak
    float ROG;     // kg/m3, gas density at the spill point
    float Roil;    // kg/m3, oil density at the spill point
    float SOW;     // N/m, oil-water interfacial tension
    float SOG;     // N/m, oil-gas interfacial tension
};

// The settings record of the near-field models (the "setup" element).
struct NearFieldSetup {
    QString ambient;                // name of the ambient profile file
    double ambient_start_time = 0;  // hours
    double plume_tracking = 0;      // s
    double plume_step = -0.5;       // s (saved as its magnitude)
    double plume_output = 0;        // s
    // Snapshot count; the bubble plume uses the same field as its mass-rate
    // smoothing half-width (rows before and after).
    int snapshot_count = 0;
    double snapshot_interval = 0;  // hours
    bool option_hydrate = false;
    bool option_oceandif = false;
    float water_temperature = 15.0f;  // deg.C
    bool option_Ulv5 = false;
    uint16_t start_year = 0;  // discharge start, UTC
    uint8_t start_month = 0;
    uint8_t start_day = 0;
    uint8_t start_hour = 0;
    uint8_t start_minute = 0;
};

// What each number of the settings can physically be (internal units: deg C,
// s, hours). The sea is liquid from about -2 C and no warmer than 40 C; times
// are not negative and end within the 30 days a discharge run reaches; a
// time step is above 0 and at most an hour.
struct NearFieldSettingRange {
    const char* name;  // as the message says it
    const char* key;   // unit-table key, or null for the unit text
    const char* unit;  // "s" or "hours" when key is null
    double low, high;
    bool lowExcluded;  // the value must be above low
};
extern const NearFieldSettingRange NEARFIELD_WATER_TEMPERATURE;
extern const NearFieldSettingRange NEARFIELD_AMBIENT_START;
extern const NearFieldSettingRange NEARFIELD_PLUME_TRACKING;
extern const NearFieldSettingRange NEARFIELD_PLUME_STEP;
extern const NearFieldSettingRange NEARFIELD_PLUME_OUTPUT;
extern const NearFieldSettingRange NEARFIELD_SNAPSHOT_INTERVAL;
// The refusal of a value outside its range (naming the setting, the value
// and the range in display units), or id 0 when it lies inside.
ValidationError CheckNearFieldSetting(const NearFieldSettingRange& range, double value);
// The first setting of the setup outside its range, or id 0 (the time step
// is held by its magnitude, as it is saved).
ValidationError CheckNearFieldSetup(const NearFieldSetup& setup);

// What a running computation sees of its caller: where progress goes and
// whether the user asked to stop. Both may be empty (a run with no display).
// A worker task passes its own reporting and cancel flag:
//     model.Run({[this](int p) { ReportProgress(p); }, cancelFlag});
struct NearFieldRunControl {
    std::function<void(int percent)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

// FileSection callbacks of a task's section ("nearfield"); user_data is the
// CNearFieldModel. The section's "confirmed" property carries the confirmed
// flag, its child "setup" the model's settings.
void SaveTaskSection(void* user_data, xmlNodePtr section);
void LoadTaskSection(void* user_data, xmlNodePtr section);

class CResultFiles;

class CNearFieldModel {
public:
    CNearFieldModel();
    virtual ~CNearFieldModel();
    CNearFieldModel(const CNearFieldModel&) = delete;
    CNearFieldModel& operator=(const CNearFieldModel&) = delete;

    // The scenario path without its extension; see the definition for the rule.
    static QString MakeBaseName(const QString& path);

    // GUI thread: takes the discharge results and the leak's data and loads the
    // release. Returns the prepared flag; on false Errors() holds the reason.
    bool Prepare(const DischargeSummary& summary, const QString& scenarioPath, float depth,
                 float diameter, float temperature, const QString& ambientDir);

    // The task body (worker thread): runs Compute and throws the message
    // identifier of a failed result code. A cancelled run returns quietly.
    // The files replace the previous ones only after a successful Compute;
    // while another run writes this scenario's results the lock's message
    // is thrown.
    void Run(const NearFieldRunControl& control = {});

    virtual bool IsConfirmed() const { return false; }
    virtual void SetConfirmed(bool) {}
    // True once a computation has finished with a result (false in the base).
    virtual bool HasResult() const { return false; }
    // The files of the last computation with a result, as they stand beside
    // the scenario (none in the base).
    virtual QStringList ResultFiles() const { return {}; }
    // The model's headline result (0 in the base).
    virtual float ResultValue() const { return 0.0f; }
    // What the user should know about the prepared run's result (none in the
    // base); shown with the near-field lines of the report and in the trace.
    virtual QString Warning() const { return QString(); }
    // The "setup" element of the scenario's "nearfield" section (none: the
    // defaults). Loading also drops the preparation.
    virtual void LoadSetup(xmlNodePtr setup);
    virtual void SaveSetup(xmlNodePtr setup) const;
    // Reads the release from the scenario's result file; throws identifiers.
    virtual void LoadRelease(float temperature);
    // The model's computation; returns a result code (see NearFieldResultMessage).
    virtual int Compute();
    virtual void PrintSettings(std::ostream& os) const;

    // The release summary written to the trace file after a preparation.
    void PrintReleaseTrace(std::ostream& os) const;

    bool IsPrepared() const { return m_prepared; }
    void ClearPrepared() { m_prepared = false; }
    // Errors recorded by a failed preparation (the first one stops it).
    const std::vector<ValidationError>& Errors() const { return m_errors; }
    const QString& BaseName() const { return m_baseName; }
    // Where the computation writes its files: a private folder beside the
    // scenario during Run (see result_files.h), else the base name.
    const QString& OutputBase() const { return m_outputBase.isEmpty() ? m_baseName : m_outputBase; }
    const QString& AmbientDir() const { return m_ambientDir; }
    // The holder of the scenario's results that Run stages into and leaves
    // the commit to, and whose staged result file a preparation reads (a run
    // that computed the discharge first); null: Run takes the lock and
    // commits itself. The caller keeps it alive over Prepare and Run.
    void SetResultFiles(CResultFiles* outer) { m_resultFiles = outer; }
    float Depth() const { return m_depth; }
    float Diameter() const { return m_diameter; }
    const DischargeSummary& Summary() const { return m_summary; }
    const std::vector<ReleaseRecord>& ReleaseRecords() const { return m_release; }
    const QString& DetailText() const { return m_detail; }

    NearFieldSetup& Setup() { return m_setup; }
    const NearFieldSetup& Setup() const { return m_setup; }

protected:
    // Sends a percentage to the caller of Run; true when the user has cancelled
    // (the computation then returns NearFieldCancelled).
    bool ReportProgress(int percent);
    bool IsCancelled() const;
    // Records why a result file failed at step ("create", "write", "save");
    // the file is named by where it goes, base name and suffix. Called right
    // after the failed call, so that error is still the system's.
    void SetFileFailure(const QFileDevice& file, const char* suffix, const char* step,
                        int error = errno);
    // Opens the scenario's result file and maps the table's columns; throws
    // the identifier of a missing file, or of a header without every column.
    void OpenResultFile(ResultFileReader& reader, const ResultColumn* table,
                        ResultColumnMap& map) const;

    bool m_prepared = false;
    float m_depth = 0.0f;     // m below the surface
    float m_diameter = 0.0f;  // m
    DischargeSummary m_summary{};
    QString m_baseName;
    QString m_outputBase;
    QString m_ambientDir = QStringLiteral("./");
    std::vector<ReleaseRecord> m_release;
    QString m_detail;
    // Why a result file of the last Compute could not be written: the file,
    // the step and the system's reason (empty when none failed).
    QString m_fileFailure;
    std::vector<ValidationError> m_errors;
    NearFieldSetup m_setup;

private:
    const NearFieldRunControl* m_control = nullptr;
    CResultFiles* m_resultFiles = nullptr;
};
