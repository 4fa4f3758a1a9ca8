#include "nearfield_model.h"

#include "network_check.h"
#include "result_files.h"
#include "system_settings.h"
#include "units.h"

#include <vexil/dia_xml.h>

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <locale>
#include <ostream>

int NearFieldResultMessage(int code) {
    struct CodeRow {
        int code;
        int id;
    };
    // Result codes of the near-field computations and the messages that show them.
    static const CodeRow table[] = {
        {1, 16128},  {2, 16129},  {5, 16130},   {6, 16131},   {10, 16132}, {11, 16133},
        {12, 16134}, {13, 16135}, {20, 16136},  {21, 16137},  {22, 16138}, {23, 16139},
        {50, 16140}, {51, 16141}, {52, 16142},  {55, 16143},  {56, 16144}, {57, 16145},
        {60, 16146}, {61, 16147}, {-10, 16167}, {-11, 16168},
    };
    if (code == NearFieldDone || code == NearFieldCancelled) return 0;
    for (const CodeRow& row : table)
        if (row.code == code) return row.id;
    return NearFieldMsg::UnspecifiedError;
}

CNearFieldModel::CNearFieldModel() = default;
CNearFieldModel::~CNearFieldModel() = default;

// The scenario path up to its last "." when that lies in the file name (after
// the last "/"); the whole path otherwise. A path that names a folder (ends in
// "/") gets a default file name so the result files stay inside that folder.
QString CNearFieldModel::MakeBaseName(const QString& path) {
    if (path.isNull()) return QString();
    const qsizetype sep = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && dot > sep) return path.left(dot);
    if (sep >= 0 && sep == path.size() - 1) return path + QStringLiteral("_nf_default");
    return path;
}

bool CNearFieldModel::Prepare(const DischargeSummary& summary, const QString& scenarioPath,
                              float depth, float diameter, float temperature,
                              const QString& ambientDir) {
    m_prepared = false;
    m_release.clear();
    m_detail.clear();
    m_errors.clear();
    m_baseName = MakeBaseName(scenarioPath);
    m_ambientDir = ambientDir;
    try {
        // The plume rises from below the surface: a depth of 0 is refused too
        // (the computation could not run on it).
        if (!(depth > 0.0f)) throw ValidationError{NearFieldMsg::NotSubsurface, 0};
        m_depth = depth;
        if (!(diameter > 0.0f)) throw ValidationError{NearFieldMsg::LeakDiameter, 0};
        m_diameter = diameter;
        m_summary = summary;
        LoadRelease(temperature);
        if (app_diagnostic_mode()) {
            std::ofstream trace(app_trace_path(), std::ios::app);
            trace.imbue(std::locale::classic());
            PrintReleaseTrace(trace);
        }
        m_prepared = true;
    } catch (const ValidationError& e) {
        m_errors.push_back(e);
    } catch (...) {
        m_errors.push_back({IDS_INTERNAL_CHECK, 0});
    }
    return m_prepared;
}

void CNearFieldModel::Run(const NearFieldRunControl& control) {
    if (!m_prepared) throw ValidationError{NearFieldMsg::NotCalculated, 0};
    // The plume files are written aside and replace the previous ones only
    // when the computation has succeeded; a run of the same scenario
    // elsewhere is refused at once.
    CResultFiles files(m_baseName, m_resultFiles);
    if (files.IsBusy()) throw TextError(files.Error());
    if (!files.IsLocked())
        // No file can be created there.
        throw ValidationError{NearFieldMsg::PlumeSummaryCreate, 0, {}, files.Error()};
    m_detail.clear();
    struct ControlScope {
        const NearFieldRunControl*& slot;
        QString& output;
        ~ControlScope() {
            slot = nullptr;
            output.clear();
        }
    } scope{m_control, m_outputBase};
    m_control = &control;
    m_outputBase = files.StagedBase();
    m_fileFailure.clear();

    ReportProgress(0);
    const int code = Compute();
    if (IsCancelled()) return;
    if (code == NearFieldDone) {
        if (!files.Commit(CResultFiles::NearfieldExtensions())) throw TextError(files.Error());
        ReportProgress(100);
    } else if (code != NearFieldCancelled) {
        throw ValidationError{
            static_cast<unsigned>(NearFieldResultMessage(code)), 0, {}, m_fileFailure};
    }
}

void CNearFieldModel::SetFileFailure(const QFileDevice& file, const char* suffix, const char* step,
                                     int error) {
    // A write past the file size limit or onto a full disk can leave Qt with
    // no reason of its own; the system's error of the failed call has it.
    QString reason = file.errorString();
    if (error != 0 && (reason.isEmpty() || reason == QLatin1String("Unknown error")))
        reason = QString::fromLocal8Bit(std::strerror(error));
    m_fileFailure = QStringLiteral("%1%2: %3 failed: %4")
                        .arg(m_baseName, QLatin1String(suffix), QLatin1String(step), reason);
}

bool CNearFieldModel::ReportProgress(int percent) {
    if (m_control && m_control->progress) m_control->progress(percent);
    return IsCancelled();
}

bool CNearFieldModel::IsCancelled() const {
    return m_control && m_control->cancel && m_control->cancel->load();
}

namespace {
const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
}  // namespace

const NearFieldSettingRange NEARFIELD_WATER_TEMPERATURE = {
    "water temperature", "TEMP", nullptr, -2.0, 40.0, false};
const NearFieldSettingRange NEARFIELD_AMBIENT_START = {
    "start of the current", nullptr, "hours", 0.0, 720.0, false};
const NearFieldSettingRange NEARFIELD_PLUME_TRACKING = {
    "plume tracking time", nullptr, "s", 0.0, 2592000.0, false};
const NearFieldSettingRange NEARFIELD_PLUME_STEP = {
    "plume time step", nullptr, "s", 0.0, 3600.0, true};
const NearFieldSettingRange NEARFIELD_PLUME_OUTPUT = {
    "plume output interval", nullptr, "s", 0.0, 2592000.0, false};
const NearFieldSettingRange NEARFIELD_SNAPSHOT_INTERVAL = {
    "snapshot interval", nullptr, "hours", 0.0, 720.0, false};

ValidationError CheckNearFieldSetting(const NearFieldSettingRange& r, double value) {
    const bool inside =
        (r.lowExcluded ? value > r.low : value >= r.low) && value <= r.high;  // NaN: outside
    if (inside) return ValidationError{0, 0};
    std::vector<QString> shown;
    if (r.key) {
        shown = network::DisplayValues(r.key, {value, r.low, r.high});
    } else {
        for (double v : {value, r.low, r.high})
            shown.push_back(QString::asprintf("%.9g ", v) + QLatin1String(r.unit));
    }
    shown.insert(shown.begin(), QString::fromLatin1(r.name));
    return ValidationError{r.lowExcluded ? unsigned(IDS_NEARFIELD_SETTING_ABOVE)
                                         : unsigned(IDS_NEARFIELD_SETTING_RANGE),
                           0, std::move(shown)};
}

ValidationError CheckNearFieldSetup(const NearFieldSetup& s) {
    const std::pair<const NearFieldSettingRange*, double> settings[] = {
        {&NEARFIELD_WATER_TEMPERATURE, s.water_temperature},
        {&NEARFIELD_AMBIENT_START, s.ambient_start_time},
        {&NEARFIELD_PLUME_TRACKING, s.plume_tracking},
        {&NEARFIELD_PLUME_STEP, std::fabs(s.plume_step)},
        {&NEARFIELD_PLUME_OUTPUT, s.plume_output},
        {&NEARFIELD_SNAPSHOT_INTERVAL, s.snapshot_interval},
    };
    for (const auto& [range, value] : settings) {
        ValidationError e = CheckNearFieldSetting(*range, value);
        if (e.id != 0) return e;
    }
    return ValidationError{0, 0};
}

void SaveTaskSection(void* user_data, xmlNodePtr section) {
    const auto* model = static_cast<const CNearFieldModel*>(user_data);
    xmlSetProp(section, X("confirmed"), X(model->IsConfirmed() ? "true" : "false"));
    model->SaveSetup(xmlNewChild(section, nullptr, X("setup"), nullptr));
}

void LoadTaskSection(void* user_data, xmlNodePtr section) {
    auto* model = static_cast<CNearFieldModel*>(user_data);
    xmlChar* confirmed = xmlGetProp(section, X("confirmed"));
    model->SetConfirmed(confirmed && std::strcmp(reinterpret_cast<char*>(confirmed), "true") == 0);
    xmlFree(confirmed);
    model->LoadSetup(xml_find_child(section, "setup"));
}

void CNearFieldModel::LoadSetup(xmlNodePtr setup) {
    m_prepared = false;
    m_release.clear();
    m_detail.clear();
    m_setup = NearFieldSetup();
    if (!setup) return;
    NearFieldSetup& s = m_setup;
    char* ambient = xml_attr_string(setup, "ambient", "");
    s.ambient = QString::fromUtf8(ambient);
    g_free(ambient);
    s.ambient_start_time = xml_attr_real(setup, "ambient_start_time", s.ambient_start_time);
    s.plume_tracking = xml_attr_real(setup, "plume_tracking", s.plume_tracking);
    s.plume_step = xml_attr_real(setup, "plume_step", s.plume_step);
    s.plume_output = xml_attr_real(setup, "plume_output", s.plume_output);
    s.snapshot_count = xml_attr_int(setup, "snapshot_count", s.snapshot_count);
    s.snapshot_interval = xml_attr_real(setup, "snapshot_interval", s.snapshot_interval);
    s.option_hydrate = xml_attr_boolean(setup, "option_hydrate", s.option_hydrate) != 0;
    s.option_oceandif = xml_attr_boolean(setup, "option_oceandif", s.option_oceandif) != 0;
}

void CNearFieldModel::SaveSetup(xmlNodePtr setup) const {
    const NearFieldSetup& s = m_setup;
    auto real = [setup](const char* name, double v) {
        xml_add_real(xml_new_attribute(setup, name), v);
    };
    const double tiny = 1e-7;
    if (!s.ambient.isEmpty())
        xml_add_string(xml_new_attribute(setup, "ambient"), s.ambient.toUtf8().constData());
    if (std::fabs(s.ambient_start_time) > tiny) real("ambient_start_time", s.ambient_start_time);
    if (std::fabs(s.plume_tracking) > tiny) real("plume_tracking", s.plume_tracking);
    if (std::fabs(s.plume_step) > tiny) real("plume_step", std::fabs(s.plume_step));
    real("plume_output", s.plume_output);
    if (s.snapshot_count != 0)
        xml_add_int(xml_new_attribute(setup, "snapshot_count"), s.snapshot_count);
    if (std::fabs(s.snapshot_interval) > tiny) real("snapshot_interval", s.snapshot_interval);
    xml_add_boolean(xml_new_attribute(setup, "option_hydrate"), s.option_hydrate);
    xml_add_boolean(xml_new_attribute(setup, "option_oceandif"), s.option_oceandif);
}

void CNearFieldModel::OpenResultFile(ResultFileReader& reader, const ResultColumn* table,
                                     ResultColumnMap& map) const {
    const QString path = m_baseName + QStringLiteral(".plt");
    reader.Open(m_resultFiles ? m_resultFiles->CurrentPath(path) : path);
    if (!reader.ReadHeader(table, map)) throw ValidationError{IDS_RESULT_FILE_MISMATCH, 0};
    // A wanted column missing from the file would read as zeros throughout.
    size_t wanted = 0;
    while (table[wanted].name) ++wanted;
    std::vector<bool> found(wanted, false);
    for (const ResultColumnMapEntry& e : map) found[static_cast<size_t>(e.table_row)] = true;
    if (std::find(found.begin(), found.end(), false) != found.end())
        throw ValidationError{IDS_RESULT_FILE_MISMATCH, 0};
}

void CNearFieldModel::LoadRelease(float temperature) {
    enum { Time, GGLEAK, GLLEAK, GTLEAK, ROGLK, ROLLK, SIG };
    static const ResultColumn columns[] = {
        {"Time", "s", nullptr},      {"GGLEAK", "kg/s", nullptr}, {"GLLEAK", "kg/s", nullptr},
        {"GTLEAK", "kg/s", nullptr}, {"ROGLK", "kg/m3", nullptr}, {"ROLLK", "kg/m3", nullptr},
        {"SIG", "N/m", nullptr},     {nullptr, nullptr, nullptr},
    };
    ResultFileReader reader;
    ResultColumnMap map;
    OpenResultFile(reader, columns, map);
    std::vector<float> row;
    while (reader.ReadRow(map, row)) {
        if (!(row[Time] >= 0.0f)) continue;
        m_release.push_back({row[Time], row[GGLEAK], row[GLLEAK],
                             row[GTLEAK] - row[GGLEAK] - row[GLLEAK], temperature, row[ROGLK],
                             row[ROLLK], 0.03f, row[SIG]});
    }
}

int CNearFieldModel::Compute() {
    return 1;  // a model without its own computation fails as an internal error
}

void CNearFieldModel::PrintSettings(std::ostream& os) const {
    const NearFieldSetup& s = m_setup;
    os << "Ambient data: " << s.ambient.toStdString() << "\n";
    os << "start current at: " << s.ambient_start_time << " hours\n";
    os << "plume tracking time = " << s.plume_tracking << " s\n";
    os << "plume time step = " << std::fabs(s.plume_step) << " s\n";
    os << "plume output interval = " << s.plume_output << " s\n";
    os << s.snapshot_count << " snapshots at " << s.snapshot_interval << " hrs intervals\n";
    os << "\n";
    os << "opHydrate/IOPH = " << (s.option_hydrate ? 1 : 0) << "\n";
    os << "opOceanDif/IOPO = " << (s.option_oceandif ? 1 : 0) << "\n";
    os << "\n\n";
}

void CNearFieldModel::PrintReleaseTrace(std::ostream& os) const {
    const DischargeSummary& w = m_summary;
    os << "\n--- NearField: ---\n";
    os << "Release summary:\n";
    os << "Time (to get Total Mass): " << w.time << " s\n";
    os << "PeakTotalMass = " << w.peak_total_mass << " kg/s\n";
    os << "PeakOilOut = " << w.peak_oil_out << " m3/s, " << w.peak_oil_out_std << " Sm3/s\n";
    os << "PeakGasOut = " << w.peak_gas_out << " m3/s, " << w.peak_gas_out_std << " Sm3/s\n";
    os << "TotMass = " << w.total_mass << " kg\n";
    os << "OilOut = " << w.oil_out << " m3, " << w.oil_out_std << " Sm3\n";
    os << "GasOut = " << w.gas_out << " m3, " << w.gas_out_std << " Sm3\n";
    os << "\n";
    os << "Released at depth " << m_depth << " m with diameter " << m_diameter << " m\n";
    const QString warning = Warning();
    if (!warning.isEmpty()) os << "Warning: " << warning.toStdString() << "\n";
    os << "\n";
    PrintSettings(os);
    os << "Scenario base name: " << m_baseName.toStdString() << "\n";
    os << m_release.size() << " release records allocated\n";
    if (m_release.empty()) return;
    const ReleaseRecord& r = m_release.front();
    os << "First record is:\n";
    os << "   - Time: " << r.Time << " s\n";
    os << "   - Qgas: " << r.Qgas << " kg/s\n";
    os << "   - Qoil: " << r.Qoil << " kg/s\n";
    os << "   - Qwater: " << r.Qwater << " kg/s\n";
    os << "   - Temp: " << r.Temp << " deg.C\n";
    os << "   - ROG; dens. of gas at spillpoint: " << r.ROG << " kg/m3\n";
    os << "   - Roil; dens. of oil at spillpoint: " << r.Roil << " kg/m3\n";
    os << "   - SOW; interfacial tension O-W: " << r.SOW << " N/m\n";
    os << "   - SOG; interfacial tension O-G: " << r.SOG << " N/m\n";
}
