// The discharge run of CReleaseModel and the services that read the
// validated record (leak values, branch names).
#include "release_model.h"

#include "network_values.h"
#include "plot_launch.h"
#include "result_files.h"
#include "run_progress.h"
#include "string_table.h"
#include "units.h"

#include <QFile>

#include <vexil/diagramdata.h>
#include <vexil/network_objects.h>
#include <vexil/object.h>

#include <atomic>
#include <cstring>

namespace {

std::atomic<CReleaseModel::ReleaseEntry> g_releaseEntry{nullptr};
std::atomic<CReleaseModel::ReleaseTimeEntry> g_releaseTimeEntry{nullptr};

// The library writes a fixed-length text padded with blanks; the buffer
// starts empty and ends with a NUL behind its last character.
QString trimmedMessage(const char* buffer, size_t size) {
    size_t n = strnlen(buffer, size);
    while (n > 0 && (buffer[n - 1] == ' ' || buffer[n - 1] == '\0')) --n;
    return QString::fromUtf8(buffer, static_cast<qsizetype>(n));
}

// The bar of the discharge run in progress (the library runs one at a time).
DischargeBar g_bar;

// The library's progress callback for a discharge run: the bar, and the
// simulated time once the library says the percentage holds still.
int32_t RELEASE_CALL dischargeProgress(int32_t percent) {
    double seconds = 0.0;
    int32_t held = 0;
    const CReleaseModel::ReleaseTimeEntry time = g_releaseTimeEntry;
    (time ? time : &RELTIM)(&seconds, &held);
    return ReportToCurrentTask(g_bar.Shown(percent, seconds, held != 0), held ? seconds : -1.0);
}

}  // namespace

void CReleaseModel::SetReleaseEntry(ReleaseEntry entry) { g_releaseEntry = entry; }
void CReleaseModel::SetReleaseTimeEntry(ReleaseTimeEntry entry) { g_releaseTimeEntry = entry; }

void CReleaseModel::Run() {
    if (!m_validated || !m_input) throw ValidationError{IDS_NETWORK_INVALID, 0};

    // The library writes beside the scenario under a private folder; the
    // files replace the previous results only when the run has succeeded.
    // A run of the same scenario elsewhere is refused before anything of
    // this model changes.
    int32_t pathLength = 0;
    const char* path = m_input->GetResultFileName(&pathLength);
    const QString resultPath = QFile::decodeName(QByteArray(path, pathLength));
    CResultFiles files(ResultBasePath(resultPath), m_resultFiles);
    if (!files.IsLocked()) throw TextError(files.Error());
    const QByteArray stagedPath = QFile::encodeName(files.StagedPath(resultPath));

    ReportProgress(0);
    CurrentTaskGuard current(this);

    // The run writes into a summary of its own: until it has succeeded the
    // previous result (summary, flags, warning) stays the one of the files
    // beside the scenario.
    auto fresh = std::make_unique<DischargeSummary>();
    std::memset(fresh.get(), 0, sizeof(DischargeSummary));

    constexpr int32_t MESSAGE_LENGTH = 1024;
    char message[MESSAGE_LENGTH + 1];
    std::memset(message, ' ', sizeof message);
    message[0] = '\0';
    message[MESSAGE_LENGTH] = '\0';
    int32_t ierr = 0;
    ReleaseProgressFn callback = dischargeProgress;
    g_bar = DischargeBar(m_control.TUSER);

    ReleaseEntry entry = g_releaseEntry;
    if (!entry) entry = &RELEASE;
    orvane::ReleaseInput& in = *m_input;
    entry(in.NetHeader(), in.BranchData(), in.BoundaryData(), in.LeakData(), in.PvtBlock(),
          m_control.Words(), fresh.get(), stagedPath.constData(),
          static_cast<int32_t>(stagedPath.size()), &callback, &ierr, message, MESSAGE_LENGTH);

    // Also when the library had just finished: its files are dropped, and
    // the previous result stays as it was.
    if (IsCancelled()) return;

    // A log the library could not write whole fails the run (IERR 1): the
    // old files stay.
    // The library names the files it wrote, which are the staged twins of
    // the scenario's: the user knows the scenario's.
    QString warning = trimmedMessage(message, MESSAGE_LENGTH);
    if (files.StagedBase() != ResultBasePath(resultPath))
        warning.replace(files.StagedBase() + QLatin1Char('.'),
                        ResultBasePath(resultPath) + QLatin1Char('.'));
    if (ierr == 0) {
        const QString hint = PressureHint(warning);
        if (!hint.isEmpty()) warning += QLatin1Char(' ') + hint;
    }
    m_upToDate = false;
    if (ierr == 0 && m_resultFiles) {
        // Later stages and the caller's commit decide whether these files
        // reach the disk; until then the summary shown stays the previous one.
        if (!files.Commit(CResultFiles::DischargeExtensions())) throw TextError(files.Error());
        m_staged = std::move(fresh);
        m_stagedWarning = warning;
        ReportProgress(100);
        return;
    }
    m_warning = warning;
    if (ierr == 0 && !files.Commit(CResultFiles::DischargeExtensions())) {
        m_summary.reset();
        throw TextError(files.Error());
    }
    if (ierr != 0) {
        m_summary.reset();
        const QString hint = PressureHint(m_warning);
        if (!hint.isEmpty()) throw TextError(m_warning + QStringLiteral("\n\n") + hint);
        if (!m_warning.isEmpty()) throw TextError(m_warning);
        throw ValidationError{IDS_RELEASE_UNSPECIFIED, 0};
    }
    m_summary = std::move(fresh);
    m_upToDate = true;
    ReportProgress(100);
}

void CReleaseModel::CommitStagedResult() {
    if (!m_staged) return;
    m_summary = std::move(m_staged);
    m_warning = m_stagedWarning;
    m_stagedWarning.clear();
    m_upToDate = true;
}

void CReleaseModel::DropStagedResult() {
    m_staged.reset();
    m_stagedWarning.clear();
}

void CReleaseModel::NoteInletRates() {
    m_inlets.clear();
    for (int k = 0; k < m_input->net.NBR && k < orvane::MAX_BRANCHES; ++k) {
        diagram_object* inlet = m_input->inlet_obj[k] > 0
                                    ? object_find_by_xref(m_diagram, m_input->inlet_obj[k])
                                    : nullptr;
        if (!inlet) continue;
        QString label;
        if (const text_block* text = object_label(inlet))
            for (int row = 0; row < text->numlines && label.isEmpty(); ++row)
                if (text->line[row] && text->strlen[row] > 0)
                    label = QString::fromUtf8(text->line[row], text->strlen[row]);
        m_inlets.push_back(
            {label, static_cast<float>(network::Value(inlet, "flowrate")), m_input->bnd.QIN[k]});
    }
}

QString CReleaseModel::PressureHint(const QString& message) const {
    // The library's fluid tables end at a pressure the inflow cannot reach
    // unless a rate is far beyond what the pipelines carry; a run that
    // stayed within them but rose above any pipeline's pressure is warned.
    const bool failed = message.startsWith(QLatin1String(RELEASE_PRESSURE_TOO_HIGH_TEXT));
    if ((!failed && !message.contains(QLatin1String(RELEASE_PRESSURE_ROSE_TEXT))) ||
        m_inlets.empty())
        return {};
    const InletRate* drives = &m_inlets.front();
    for (const InletRate& inlet : m_inlets)
        if (inlet.massRate > drives->massRate) drives = &inlet;
    const char* key = InletRateKey(m_fluidClass);
    const QString rate =
        QString::asprintf("%g ", static_cast<double>(ToDisplayUnits(key, drives->rate))) +
        GetUnitLabel(key, false) +
        (m_fluidClass == FLUID_BLACK_OIL ? QStringLiteral(" total liquid flow rate")
                                         : QStringLiteral(" total gas flow rate"));
    return AfxFormatString2(
        failed ? IDS_INLET_RATE_DRIVES_PRESSURE : IDS_INLET_RATE_RAISES_PRESSURE, drives->label,
        rate);
}

float CReleaseModel::GetLeakDepth() const {
    if (!m_validated || !m_input) throw ValidationError{IDS_LEAK_DEPTH_UNAVAILABLE, 0};
    return m_input->leak_depth;
}

float CReleaseModel::GetLeakDiameter() const {
    if (!m_validated || !m_input) throw ValidationError{IDS_LEAK_DIAMETER_UNAVAILABLE, 0};
    return m_input->lek.LEKDIA;
}

float CReleaseModel::GetLeakAmbientTemp() const {
    if (!m_validated || !m_input) throw ValidationError{IDS_LEAK_AMBIENT_TEMP_UNAVAILABLE, 0};
    return m_input->leak_amb_temp;
}

bool CReleaseModel::GetBranchName(diagram_data* diagram, int i, QString& name) const {
    if (!m_input || !diagram || i < 0 || i > m_input->net.NBR || i >= 16) return false;
    const int xref = i == 0 ? m_input->outlet_obj : m_input->branch_name_obj[i - 1];
    if (xref <= 0) return false;
    diagram_object* obj = object_find_by_xref(diagram, xref);
    if (!obj) return false;
    using namespace network;
    if (!IsType(obj, JUNCTION) && !IsType(obj, PIPE_JOIN) && !IsType(obj, FLOW_INLET) &&
        !IsType(obj, FLOW_OUTLET) && !IsType(obj, PIPELINE))
        return false;
    const text_block* label = object_label(obj);
    if (!label) return false;
    for (int row = 0; row < label->numlines; ++row) {
        if (label->line[row] && label->strlen[row] > 0) {
            name = QString::fromUtf8(label->line[row], label->strlen[row]);
            return true;
        }
    }
    return false;
}
