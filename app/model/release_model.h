// The discharge model's front end: the network check that walks the drawn
// pipeline network from its single outlet upstream, numbers branches and
// junctions, and builds the release input record, including the fluid
// tables through the library's BLACKOIL or COMPPVT.
//
// Validation runs on the GUI thread. It gives every diagram object an object
// number first, so the record, the error list and the scenario file refer to
// objects by number, and sibling branches are visited in number order (the
// same drawing always numbers its branches the same way).
//
// The discharge run itself is a worker task: Run calls the library's
// RELEASE on the worker thread with the validated record and keeps the
// run's summary, up-to-date flag and warning.
#pragma once

#include "fluid_model.h"
#include "message_ids.h"
#include "model_errors.h"
#include "network_check.h"
#include "release_input.h"
#include "worker_task.h"

#include <QString>
#include <QStringList>

#include <iosfwd>
#include <memory>
#include <set>
#include <vector>

class CResultFiles;
struct diagram_data;
struct diagram_object;
struct _xmlNode;

class CReleaseModel : public CWorkerTask {
public:
    CReleaseModel();
    ~CReleaseModel() override;

    // Worker thread. Throws 16109 when the network was not validated, and
    // the lock's message when another run writes this scenario's results
    // (nothing of the model changes then). Calls RELEASE with the record's
    // five blocks, the run options, a zeroed summary, the result path of a
    // private folder beside the scenario and the progress callback; only a
    // successful run moves its files over the previous ones. A cancelled run
    // leaves the previous summary, flags and warning as they were (they
    // belong to the files it left); a refused or failed run keeps no summary
    // and throws the library's message (16154 when it is blank); a
    // successful run keeps the summary, marks it up to date and keeps the
    // library's warning text.
    void Run() override;

    // The last completed run's 11 numbers, or none.
    const DischargeSummary* GetSummary() const { return m_summary.get(); }
    bool HasSummary() const { return m_summary != nullptr; }
    // Replaces the summary (the scenario file's loader); null removes it.
    void SetSummary(std::unique_ptr<DischargeSummary> summary) { m_summary = std::move(summary); }

    // The leak of the validated record; 16159, 16160 or 16165 is thrown when
    // the network has not been validated since the scenario was opened or
    // changed (a fresh record holds no leak).
    float GetLeakDepth() const;
    float GetLeakDiameter() const;
    float GetLeakAmbientTemp() const;

    // The label of the outlet (i = 0) or of branch i (1..NBR) of the current
    // record: the first non-empty line of the label of the object that names
    // it. False without a record, for i out of range, or without a label.
    bool GetBranchName(diagram_data* diagram, int i, QString& name) const;

    // Tests: replaces the library entry that Run calls (null restores
    // RELEASE), to reach failures the library cannot be made to give.
    using ReleaseEntry = decltype(&RELEASE);
    static void SetReleaseEntry(ReleaseEntry entry);
    // Tests: replaces RELTIM, which the run's progress reads (null restores
    // it), so that a replaced entry can tell its own simulated time.
    using ReleaseTimeEntry = decltype(&RELTIM);
    static void SetReleaseTimeEntry(ReleaseTimeEntry entry);

    // The holder of the scenario's results that Run stages into and leaves
    // the commit to (a run with later stages); null: Run takes the lock and
    // commits itself. The caller keeps it alive over Run.
    void SetResultFiles(CResultFiles* outer) { m_resultFiles = outer; }
    // A run staged into such a holder keeps its summary and warning aside:
    // the summary shown stays the previous one until the caller has put the
    // files in place and commits the result (which marks it up to date), or
    // drops it when putting them in place failed.
    const DischargeSummary* StagedSummary() const { return m_staged.get(); }
    void CommitStagedResult();
    void DropStagedResult();

    // Checks the network and builds a fresh input record. Densities kg/Sm3,
    // gas-oil ratio Sm3/Sm3, water cut percent; components for fluid class
    // 1; resultPath the scenario path with the extension ".$$$". False with
    // one entry in the error list (and, for the fluid steps, the library's or
    // the front end's text in the warning).
    bool ValidateNetwork(diagram_data* diagram, float gasDensity, float oilDensity,
                         float gasOilRatio, float waterCut,
                         const std::vector<FluidComponent>& components, const char* resultPath);

    // Fluid class: 0 black oil, 1 gas composition. A change clears the
    // validated and up-to-date flags.
    void SetFluidClass(int fluidClass);
    int GetFluidClass() const { return m_fluidClass; }

    bool IsValidated() const { return m_validated; }
    bool IsUpToDate() const { return m_upToDate; }
    void SetUpToDate(bool upToDate) { m_upToDate = upToDate; }
    void ClearValidated() { m_validated = false; }

    // The current record (null before a validation), owned by the model.
    orvane::ReleaseInput* GetInput() { return m_input.get(); }
    const orvane::ReleaseInput* GetInput() const { return m_input.get(); }
    // Replaces the record (the scenario file's loader); frees the old one.
    void SetInput(std::unique_ptr<orvane::ReleaseInput> input) { m_input = std::move(input); }
    int GetBranchCount() const { return m_input ? m_input->net.NBR : 0; }

    orvane::ReleaseControl& Control() { return m_control; }
    const orvane::ReleaseControl& Control() const { return m_control; }
    // Attribute names of the run settings repaired when the file was opened
    // (empty or unreadable) and not yet confirmed in Discharge Setup; the
    // validation refuses while there is one.
    QStringList& RepairedSetup() { return m_repairedSetup; }
    const QStringList& RepairedSetup() const { return m_repairedSetup; }

    // At most one entry after a validation: the first error met.
    const std::vector<ValidationError>& Errors() const { return m_errors; }
    const QString& Warning() const { return m_warning; }
    // The run stopped after the leak opened: the summary's time is only a
    // lower bound of the release time.
    bool RunStopped() const { return IsRunStoppedWarning(m_warning); }
    static bool IsRunStoppedWarning(const QString& warning) {
        return warning.startsWith(QLatin1String(RELEASE_RUN_STOPPED_TEXT));
    }
    void SetWarning(const QString& warning) { m_warning = warning; }

protected:
    // The scenario file's "release" section restores the flags as saved.
    friend void LoadReleaseSection(void* user_data, _xmlNode* section);

    bool m_validated = false;
    int m_fluidClass = FLUID_BLACK_OIL;
    bool m_upToDate = false;
    std::unique_ptr<orvane::ReleaseInput> m_input;
    orvane::ReleaseControl m_control;
    QStringList m_repairedSetup;
    std::vector<ValidationError> m_errors;
    QString m_warning;
    std::unique_ptr<DischargeSummary> m_summary;
    CResultFiles* m_resultFiles = nullptr;
    std::unique_ptr<DischargeSummary> m_staged;
    QString m_stagedWarning;

private:
    // An inlet of the validated record as the user entered it, so a run that
    // fails on a pressure its rate drives can name it.
    struct InletRate {
        QString label;
        float rate;      // as entered, Sm3/d
        float massRate;  // as the run reads it, kg/s
    };
    std::vector<InletRate> m_inlets;
    void NoteInletRates();
    // The text that names the inlet driving an impossible pressure, for a
    // failure or a warning of one (empty for another message or without
    // inlets).
    QString PressureHint(const QString& message) const;

    // Objects ordered by object number.
    struct ByXref {
        bool operator()(const diagram_object* a, const diagram_object* b) const;
    };
    using ObjectSet = std::set<diagram_object*, ByXref>;

    int ParseBranch(diagram_object* from, diagram_object* pipe, float x, float depth);
    int ParseJunction(diagram_object* from, diagram_object* junction, float x, float& depth);
    int ParseInlet(diagram_object* from, diagram_object* node, float& depth);
    int AddBranch(int startObj, int nameObj);
    void ComputeBranchCoordinates(int branch, float x);
    diagram_object* FindObjectOfType(ObjectSet& set, const char* typeName);
    int CollectNeighbours(diagram_object* from, diagram_object* obj, ObjectSet& neighbours,
                          int* backLinks = nullptr);
    int TakeObject(diagram_object* obj);
    void DumpNetwork() const;
    void TraceParse(const diagram_object* obj);

    // Walk state of one validation.
    diagram_data* m_diagram = nullptr;
    ObjectSet m_pending;
    int m_traceLevel = 0;
    // The trace file while a walk in diagnostic mode runs, else null.
    std::unique_ptr<std::ofstream> m_trace;
    network::LeakPlace m_leakPlace;
};
