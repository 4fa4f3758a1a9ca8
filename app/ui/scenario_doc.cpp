#include "scenario_doc.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>
#include <libxml/tree.h>
#include <cmath>
#include <utility>

#include <glib.h>

#include "command_ids.h"
#include "fluid_dlgs.h"
#include "fluid_section.h"
#include "fluid_tables.h"
#include "release_section.h"
#include "frames.h"
#include "win_app.h"
#include "nearfield_model.h"
#include "plot_launch.h"
#include "result_files.h"
#include "message_box.h"
#include "message_ids.h"
#include "network_check.h"
#include "network_values.h"
#include "scenario_frame.h"
#include "scenario_view.h"
#include "string_table.h"
#include "system_settings.h"
#include "task_progress_dlg.h"
#include "vexil/diagram_file.h"
#include "vexil/diagramdata.h"
#include "vexil/message.h"
#include "vexil/renderer.h"
#include "zef_db_mgr.h"

QString ScenarioBasePath(const QString& path) {
    // The same rule as the near-field model's result files.
    return CNearFieldModel::MakeBaseName(path);
}

CScenarioDoc::CScenarioDoc() : m_fluid(m_blackOil, m_components) {
    m_release.SetFluidClass(FLUID_GAS_COMPOSITION);
    m_sections[0] = {&m_fluid, "fluid", SaveFluidSection, LoadFluidSection};
    m_sections[1] = {&m_release, "release", SaveReleaseSection, LoadReleaseSection};
    m_sections[2] = {this, "nearfield", SaveNearfieldSection, LoadNearfieldSection};
    m_sections[3] = {nullptr, nullptr, nullptr, nullptr};

    OnCommand(ID_SCENARIO_VERIFY, [this] { VerifyLayout(true); });
    OnCommand(ID_SCENARIO_FLUID, [this] { OnFluidProperties(); });
    OnCommand(ID_SCENARIO_GAS_COMPOSITION, [this] { OnGasComposition(); });
    OnCommand(ID_OBJECT_FROM_DATABASE, [this] { ImportFromDatabase(); });
    OnUpdateCommand(ID_OBJECT_FROM_DATABASE,
                    [this](CCmdUI* ui) { ui->Enable(IsDatabaseAvailable()); });
    RegisterDischargeCommands();
    RegisterNearfieldCommands();
}

CScenarioDoc::~CScenarioDoc() { diagram_data_free(m_pDiagram); }

void CScenarioDoc::SaveNearfieldSection(void* user_data, _xmlNode* section) {
    auto* doc = static_cast<CScenarioDoc*>(user_data);
    SaveTaskSection(&doc->m_plume, section);
    xmlSetProp(section, reinterpret_cast<const xmlChar*>("result"),
               reinterpret_cast<const xmlChar*>(doc->IsResultCurrent(".dbs") ? "current" : "none"));
}

void CScenarioDoc::LoadNearfieldSection(void* user_data, _xmlNode* section) {
    auto* doc = static_cast<CScenarioDoc*>(user_data);
    LoadTaskSection(&doc->m_plume, section);
    xmlChar* result = xmlGetProp(section, reinterpret_cast<const xmlChar*>("result"));
    doc->m_bNearfieldSaved =
        result && xmlStrcmp(result, reinterpret_cast<const xmlChar*>("current")) == 0;
    xmlFree(result);
    if (doc->m_bNearfieldSaved) doc->m_plume.KeepStoredResult();
}

bool CScenarioDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    diagram_data_free(m_pDiagram);
    m_pDiagram = diagram_data_create();
    return m_pDiagram != nullptr;
}

bool CScenarioDoc::OnOpenDocument(const QString& path) {
    // A run killed while it put its results in place is completed first, so
    // the files beside the scenario are those of one run.
    const QString unfinished = CResultFiles::CompleteInterruptedCommit(ResultBasePath(path));
    if (!unfinished.isEmpty()) AfxMessageBox(unfinished, MB_ICONEXCLAMATION);
    DeleteContents();
    m_pDiagram = diagram_data_create();
    if (!m_pDiagram ||
        !diagram_file_load(QFile::encodeName(path).constData(), m_pDiagram, m_sections))
        return false;
    SetModifiedFlag(false);
    return true;
}

bool CScenarioDoc::OnSaveDocument(const QString& path) {
    if (!m_pDiagram) return false;
    const bool backup = AppSettings() ? AppSettings()->BackupBeforeOverwrite() : true;
    const QByteArray file = QFile::encodeName(path);
    // The document is built from the diagram here; writing and flushing it
    // runs off the window thread, which a busy disk would hold for tenths
    // of a second.
    xmlDocPtr doc = diagram_file_build(m_pDiagram, file.constData(), m_sections);
    if (!doc) return false;
    int written = 0;
    char* why = nullptr;
    CFunctionTask write([&] {
        written =
            diagram_file_write(std::exchange(doc, nullptr), file.constData(), backup ? 1 : 0, &why);
    });
    const TaskResult stage = RunBusy(write);
    if (doc) xmlFreeDoc(doc);  // the write never ran
    if (why) message_error("%s", why);
    g_free(why);
    if (stage.outcome != TaskOutcome::Succeeded || !written) return false;
    SetModifiedFlag(false);
    return true;
}

void CScenarioDoc::DeleteContents() {
    diagram_data_free(m_pDiagram);
    m_pDiagram = nullptr;
    m_release.SetUpToDate(false);
    m_release.ClearValidated();
    ForgetNearfieldResult();
    SetModifiedFlag(false);
}

namespace {
bool isScenarioFrame(CMDIChildWnd* frame) {
    return qobject_cast<CScenarioFrame*>(frame) != nullptr;
}
}  // namespace

bool CScenarioDoc::CanCloseFrame(CMDIChildWnd* frame) {
    bool otherFrames = false;
    bool otherScenarioFrames = false;
    for (CMDIChildWnd* other : GetFrames()) {
        if (other == frame) continue;
        otherFrames = true;
        otherScenarioFrames = otherScenarioFrames || isScenarioFrame(other);
    }
    if (isScenarioFrame(frame) ? otherScenarioFrames : otherFrames) return true;
    return SaveModified();
}

void CScenarioDoc::OnFrameClosed(CMDIChildWnd* frame) {
    bool diagramLeft = false;
    for (CMDIChildWnd* other : GetFrames()) diagramLeft = diagramLeft || isScenarioFrame(other);
    if (!diagramLeft && isScenarioFrame(frame))
        OnCloseDocument();
    else
        CDocument::OnFrameClosed(frame);
}

QSize CScenarioDoc::GetDiagramExtent() const {
    if (!m_pDiagram) return {1000, 1000};
    const Rectangle& e = m_pDiagram->extents;
    return {int(std::ceil((e.right - e.left) * 100.0)), int(std::ceil((e.bottom - e.top) * 100.0))};
}

int CScenarioDoc::GetZoom() const {
    return m_pDiagram ? int(std::lround(m_pDiagram->scaling * 100.0)) : 100;
}

void CScenarioDoc::SetZoom(int percent) {
    if (m_pDiagram) m_pDiagram->scaling = float(percent / 100.0);
}

bool CScenarioDoc::IsDatabaseAvailable() const { return theDBMgr.IsDatabaseAvailable(); }

void CScenarioDoc::ImportFromDatabase() {
    if (m_pDisplay) renderer_set_current(m_pDisplay);  // labels are measured with the view's fonts
    int placed = 0;
    if (!m_pDiagram || !theDBMgr.BuildNetworkFromDatabase(m_pDiagram, m_lastClick, &placed)) {
        AfxMessageBox(QString::fromLatin1(DB_IMPORT_FAILED), MB_ICONEXCLAMATION);
        return;
    }
    if (placed > 0) NetworkChanged();
}

void CScenarioDoc::NetworkChanged() {
    m_release.SetUpToDate(false);
    m_release.ClearValidated();
    ForgetNearfieldResult();
    SetModifiedFlag();
    UpdateAllViews(nullptr);
}

namespace {
// The tables of a new composition take up to a few tenths of a second: the
// window goes on painting and running its timers meanwhile, under a busy
// cursor; what the user types or clicks waits for the end of the build.
void waitForTableBuild(const std::function<bool()>& built) {
    if (built()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (built()) loop.quit();
    });
    poll.start(2);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QGuiApplication::restoreOverrideCursor();
}
}  // namespace

bool CScenarioDoc::VerifyLayout(bool showSuccess) {
    const QByteArray resultPath =
        QFile::encodeName(ScenarioBasePath(GetPathName()) + QStringLiteral(".$$$"));
    // A check changes nothing the user made: the scenario stays as saved, and
    // a result of this same network stays up to date when the check passes.
    const bool upToDate = m_release.IsUpToDate();
    try {
        network::CheckFluidRepairs(m_blackOil, m_components, m_release.GetFluidClass());
    } catch (const ValidationError& e) {
        AfxMessageBox(ValidationMessage(e, [](unsigned id) { return AfxLoadString(int(id)); }),
                      MB_ICONINFORMATION);
        return false;
    }
    const TableBuildWaitScope offTheWindowThread(waitForTableBuild);
    const bool valid = m_release.ValidateNetwork(
        m_pDiagram, m_blackOil.gas_density, m_blackOil.oil_density, m_blackOil.gas_oil_ratio,
        m_blackOil.water_cut, m_components.components, resultPath.constData());
    if (valid) m_release.SetUpToDate(upToDate);
    UpdateAllViews(nullptr);
    if (valid) {
        // Verify Layout also names a near-field setting that cannot be.
        if (showSuccess) {
            const ValidationError plume = CheckNearFieldSetup(m_plume.Setup());
            if (plume.id != 0) {
                AfxMessageBox(
                    ValidationMessage(plume, [](unsigned id) { return AfxLoadString(int(id)); }),
                    MB_ICONINFORMATION);
                return false;
            }
        }
        if (showSuccess) AfxMessageBox(IDS_NETWORK_VALID, MB_ICONINFORMATION);
        return true;
    }
    const std::vector<ValidationError>& errors = m_release.Errors();
    if (errors.empty()) {
        AfxMessageBox(IDS_UNKNOWN_ERROR, MB_ICONERROR);
        return false;
    }
    const ValidationError& error = errors.front();
    // The user sees the object the message is about while reading it.
    if (diagram_object* obj =
            error.xref > 0 ? object_find_by_xref(m_pDiagram, error.xref) : nullptr)
        for (CView* view : GetViews())
            if (auto* diagramView = dynamic_cast<CScenarioView*>(view))
                diagramView->ShowObject(obj);
    QString text = ValidationMessage(error, [](unsigned id) { return AfxLoadString(int(id)); });
    if (!m_release.Warning().isEmpty()) text += QStringLiteral("\n\n") + m_release.Warning();
    AfxMessageBox(text, MB_ICONINFORMATION);
    return false;
}

void CScenarioDoc::FluidConfirmed(int fluidClass, bool switches, bool edited) {
    if (switches) {
        m_release.SetFluidClass(fluidClass);
        network::MarkInletRatesPending(m_pDiagram);
    }
    // Values the runs do not read leave the results as they are.
    if ((switches || edited) && m_release.GetFluidClass() == fluidClass)
        NetworkChanged();
    else
        SetModifiedFlag();
}

void CScenarioDoc::OnFluidProperties() {
    const bool inUse = m_release.GetFluidClass() == FLUID_BLACK_OIL;
    CFluidPropsDlg dlg(inUse, AfxGetMainWnd());
    dlg.m_gasDensity = m_blackOil.gas_density;
    dlg.m_oilDensity = m_blackOil.oil_density;
    dlg.m_gasOilRatio = m_blackOil.gas_oil_ratio;
    dlg.m_waterCut = m_blackOil.water_cut;
    if (dlg.DoModal() != IDOK) return;
    // The runs switch to the black oil only when the user chose it; OK on
    // what was shown changes nothing (but confirms the fluid the runs use).
    const bool switches = dlg.UseForRuns() && !inUse;
    if (!switches && !dlg.IsEdited() && (m_blackOil.confirmed || !inUse)) return;
    m_blackOil.Set(dlg.m_gasDensity, dlg.m_oilDensity, dlg.m_gasOilRatio, dlg.m_waterCut);
    FluidConfirmed(FLUID_BLACK_OIL, switches, dlg.IsEdited());
}

void CScenarioDoc::OnGasComposition() {
    const bool inUse = m_release.GetFluidClass() == FLUID_GAS_COMPOSITION;
    CGasPropsDlg dlg(FluidCataloguePath(), inUse, AfxGetMainWnd());
    dlg.MergeDocumentComponents(m_components.components);
    if (dlg.DoModal() != IDOK) return;
    const bool switches = dlg.UseForRuns() && !inUse;
    if (!switches && !dlg.IsEdited() && (m_components.comps_confirmed || !inUse)) return;
    // Rows shown as they were keep the stored values bit for bit.
    if (dlg.IsEdited() || !m_components.comps_confirmed)
        m_components.components = ConfirmedComponents(dlg.Components());
    m_components.comps_confirmed = true;
    m_components.repaired.clear();
    FluidConfirmed(FLUID_GAS_COMPOSITION, switches, dlg.IsEdited());
}

void CScenarioDoc::EditFluid(int fluidClass) {
    if (fluidClass == FLUID_BLACK_OIL)
        OnFluidProperties();
    else if (fluidClass == FLUID_GAS_COMPOSITION)
        OnGasComposition();
}
