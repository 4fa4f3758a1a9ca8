#pragma once
#include <QSize>
#include <vector>

#include "bubble_plume.h"
#include "doc_view.h"
#include "fluid_model.h"
#include "release_model.h"
#include "vexil/diagram_file.h"
#include "vexil/geometry.h"

struct diagram_data;
struct renderer;
struct _xmlNode;
class CMDIChildWnd;

// The part of a scenario path before its extension: cut at the last "."
// that comes after the last "/", else the whole path
// ("/data/run.v2/net" stays whole, "/data/net.zef" gives "/data/net").
QString ScenarioBasePath(const QString& path);

// One scenario: the drawn network, the fluid set-up and the models, saved
// together in one file.
class CScenarioDoc : public CDocument {
public:
    CScenarioDoc();
    ~CScenarioDoc() override;

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    void DeleteContents() override;
    // Only the last diagram window of a scenario asks to save (or the very
    // last window, whatever it shows).
    bool CanCloseFrame(CMDIChildWnd* frame) override;
    // Without a diagram window left the scenario closes, summary windows too.
    void OnFrameClosed(CMDIChildWnd* frame) override;

    diagram_data* GetDiagram() const { return m_pDiagram; }
    // Width and height in hundredths of a diagram unit, rounded up
    // (10 x 10 units without a diagram).
    QSize GetDiagramExtent() const;
    // Diagram scale in percent, rounded (100 without a diagram).
    int GetZoom() const;
    void SetZoom(int percent);
    Point GetLastClickPoint() const { return m_lastClick; }
    void SetLastClickPoint(const Point& p) { m_lastClick = p; }
    renderer* GetDisplay() const { return m_pDisplay; }
    void SetDisplay(renderer* display) { m_pDisplay = display; }

    // After every edit of the network or the discharge settings: the model
    // results are outdated, the scenario is modified, the views repaint.
    void NetworkChanged();
    // Checks the network; a problem is shown with its message, success
    // only when asked.
    bool VerifyLayout(bool showSuccess);

    void OnFluidProperties();
    void OnGasComposition();
    void EditFluid(int fluidClass);
    // From Database: places the segments the pipeline database delivered;
    // enabled while the database is connected.
    bool IsDatabaseAvailable() const;
    void ImportFromDatabase();

    // The discharge road (scenario_doc_run.cpp). RunDischarge asks for what
    // a run needs (confirmed fluid, a saved scenario, a valid network), runs
    // the model under the progress dialog and returns true when the run
    // succeeded.
    // showSummary: the summary opens afterwards when the settings ask for it.
    bool RunDischarge(bool showSummary = true);
    // The near-field run from the current discharge result; true after a
    // successful run.
    bool RunNearfield(bool askToSave);
    void OnCalculateDischarge();
    void OnCalculateNearfield();
    // The near field follows only a discharge run that succeeded.
    void OnCalculateAll();
    void OnDischargeSetup();
    void OnDischargeSummary();
    void OnReleasePlot() { StartPlotViewer(".plt"); }
    void OnNearfieldPlot() { StartPlotViewer(".dbs"); }
    // The near-field settings dialog (scenario_doc_nearfield.cpp); true on OK.
    bool OnNearfieldSetup();
    // Writes the branch-name file and starts the plot viewer on the result
    // file with the extension; says so instead when that result is outdated.
    void StartPlotViewer(const char* ext);
    // The result file with the extension exists beside the scenario and is
    // not empty.
    bool HasResultFile(const char* ext) const;
    // The file belongs to the current result: ".plt" to an up-to-date
    // discharge, ".dbs" to a near-field run that succeeded on it (in this
    // session, or as saved with the scenario). The plot commands are enabled
    // only then.
    bool IsResultCurrent(const char* ext) const;

    CReleaseModel& ReleaseModel() { return m_release; }
    CBlackOilModel& BlackOil() { return m_blackOil; }
    FluidComponentList& Components() { return m_components; }
    bool IsNearfieldPrepared() const { return m_bNearfieldPrepared; }
    CBubblePlume& Plume() { return m_plume; }

private:
    void RegisterDischargeCommands();
    void RegisterNearfieldCommands();
    // After a run that succeeded: saves the scenario with its result, unless
    // it holds edits not yet saved (then, or when the save fails, it stays
    // marked modified).
    void KeepResultSaved(bool unsavedEdits);
    // Opens the discharge summary once the current command has ended, when
    // the settings ask for it.
    void ShowSummaryWhenAsked();
    // The "nearfield" section: the plume settings, and whether the plume
    // file beside the scenario belongs to its discharge result (so its plot
    // opens again after the scenario is reopened).
    static void SaveNearfieldSection(void* user_data, _xmlNode* section);
    static void LoadNearfieldSection(void* user_data, _xmlNode* section);
    // The near-field result no longer belongs to the discharge result.
    void ForgetNearfieldResult() { m_bNearfieldPrepared = m_bNearfieldSaved = false; }
    // OK in a fluid dialog that changed something: the runs switch to its
    // description when the user chose it; the results are outdated only
    // when what the runs read has changed.
    void FluidConfirmed(int fluidClass, bool switches, bool edited);

    diagram_data* m_pDiagram = nullptr;
    CReleaseModel m_release;
    CBlackOilModel m_blackOil;
    FluidComponentList m_components;
    CFluidModel m_fluid;
    bool m_bNearfieldPrepared = false;
    // The scenario was saved (or opened) with a current near-field result.
    bool m_bNearfieldSaved = false;
    CBubblePlume m_plume;
    FileSection m_sections[4];
    Point m_lastClick{0, 0};
    renderer* m_pDisplay = nullptr;
};
