// zef_run: runs the discharge model of a scenario file without a window.
//
//   zef_run [--verify | --record | --nearfield | --save OUT.zef] SCENARIO.zef
//
// Loads the scenario with the diagram library, checks the network and
// builds the library's input exactly as the program does, then runs the
// discharge on a worker thread through the same model classes. The result
// time series (.plt), the run log (.log) and the branch-name file (.brn) are
// written beside the scenario (aside first, replacing the previous files only
// when the run succeeded; a second run of the same scenario is refused while
// one runs); the summary report is printed, followed by
// "IERR 0", the 11 summary values at full precision ("time 1234.5", ...)
// and the library's own run time ("release_seconds 0.53").
//
//   --verify  stop after the network check (prints the success message)
//   --record  print the network words of the built input record, one
//             "NAME value" per line, and stop
//   --save    save the loaded scenario to OUT.zef and stop
//   --nearfield  also run the bubble plume with the scenario's near-field
//             settings: the discharge runs first unless the scenario holds an
//             up-to-date result with its .plt; the plume file (.dbs, and the
//             .dat when the settings ask for it) is written beside the
//             scenario and the report gains its near-field section
//
// Loader messages and the check's message (with the object's number, and on
// a second line its type and label) go to standard error. A value the loader
// had to replace by a default (empty or unreadable) fails the check, naming
// the object and the attribute, as an inlet rate entered for the other fluid
// does: no mode but --save goes on from it. Exit status: 0
// success, 1 the check, the discharge or the near-field run failed or another
// run of the scenario is in progress (the message on standard error), 2 the
// file could not be loaded (or a usage error).
#include "fluid_model.h"
#include "fluid_section.h"
#include "network_check.h"
#include "plot_launch.h"
#include "release_model.h"
#include "release_section.h"
#include "bubble_plume.h"
#include "nearfield_task.h"
#include "report_text.h"
#include "result_files.h"
#include "scenario_limits.h"
#include "system_settings.h"
#include "units.h"
#include "worker_task.h"
#include "message_ids.h"
#include "string_table.h"

#include <vexil/diagram_file.h>
#include <vexil/diagramdata.h>
#include <vexil/network_objects.h>
#include <vexil/object.h>
#include <vexil/text.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include <locale.h>

namespace {

QString messageText(unsigned id) {
    if (AfxHasString(static_cast<int>(id))) return AfxLoadString(static_cast<int>(id));
    return QStringLiteral("Message %1").arg(id);
}

// How a message names a diagram object: its type and label, as in
// 'Pipeline "Export"' (the type alone for an object without a label).
QString ObjectName(diagram_data* diagram, int xref) {
    diagram_object* obj = object_find_by_xref(diagram, xref);
    if (!obj) return QStringLiteral("Object");
    QString name = QString::fromUtf8(obj->type->name);
    if (text_block* label = object_label(obj)) {
        char* text = text_get_string(label);
        const QString labelText = QString::fromUtf8(text);
        g_free(text);
        if (!labelText.isEmpty()) name += QStringLiteral(" \"%1\"").arg(labelText);
    }
    return name;
}

void printErr(const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }

// Prints why a task failed; true when it succeeded.
bool taskSucceeded(const TaskResult& result) {
    if (result.outcome == TaskOutcome::Succeeded) return true;
    const QString why = result.outcome == TaskOutcome::Cancelled
                            ? QStringLiteral("Cancelled")
                            : ValidationMessage(result.Error(), messageText);
    printErr(QStringLiteral("Task failed:\n\n%1").arg(why));
    return false;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: zef_run [--verify | --record | --nearfield | --save OUT.zef] SCENARIO.zef\n");
    return 2;
}

// The scenario as the program holds it: the diagram and the models saved
// with it.
struct Scenario {
    // As in the program, a scenario whose file does not say otherwise
    // describes its fluid by a gas composition.
    Scenario() : fluid(blackOil, components) { release.SetFluidClass(FLUID_GAS_COMPOSITION); }
    ~Scenario() {
        if (diagram) diagram_data_free(diagram);
    }
    const FileSection* Sections() {
        sections[0] = {&fluid, "fluid", SaveFluidSection, LoadFluidSection};
        sections[1] = {&release, "release", SaveReleaseSection, LoadReleaseSection};
        sections[2] = {&plume, "nearfield", SaveTaskSection, LoadTaskSection};
        sections[3] = {nullptr, nullptr, nullptr, nullptr};
        return sections;
    }

    diagram_data* diagram = nullptr;
    CBlackOilModel blackOil;
    FluidComponentList components;
    CFluidModel fluid;
    CReleaseModel release;
    CBubblePlume plume;
    FileSection sections[4];
};

// The machine-readable lines read the same whatever the user's locale (the
// C library's printf follows the locale QCoreApplication takes from the
// environment): formatted in the C locale, which this thread uses only
// while it formats.
class CNumericScope {
public:
    CNumericScope() : m_c(newlocale(LC_ALL_MASK, "C", nullptr)) {
        if (m_c) m_previous = uselocale(m_c);
    }
    ~CNumericScope() {
        if (!m_c) return;
        uselocale(m_previous);
        freelocale(m_c);
    }
    CNumericScope(const CNumericScope&) = delete;
    CNumericScope& operator=(const CNumericScope&) = delete;

private:
    locale_t m_c;
    locale_t m_previous = LC_GLOBAL_LOCALE;
};

void printWord(const char* name, double value) {
    const CNumericScope c;
    std::printf("%s %.9g\n", name, value);
}
void printWord(const std::string& name, double value) { printWord(name.c_str(), value); }

std::string indexed(const char* name, int i) {
    return std::string(name) + "(" + std::to_string(i) + ")";
}
std::string indexed(const char* name, int i, int j) {
    return std::string(name) + "(" + std::to_string(i) + "," + std::to_string(j) + ")";
}

void printRecord(const orvane::ReleaseInput& in) {
    printWord("NBR", in.net.NBR);
    printWord("NJUN", in.net.NJUN);
    for (int j = 0; j < orvane::MAX_JUNCTIONS; ++j) printWord(indexed("NBJ", j + 1), in.net.NBJ[j]);
    for (int k = 0; k < 15; ++k) printWord(indexed("IBJ", k + 1), in.net.IBJ[k]);
    for (int b = 0; b < in.net.NBR; ++b) {
        const BRREC& br = in.br[b];
        printWord(indexed("XBR0", b + 1), br.XBR0);
        printWord(indexed("ZBR0", b + 1), br.ZBR0);
        for (int p = 0; p < br.NPIPE && p < orvane::MAX_SEGMENTS; ++p) {
            const PIPSEG& s = br.PIPE[p];
            printWord(indexed("DIAM", b + 1, p + 1), s.DIAM);
            printWord(indexed("XSTA", b + 1, p + 1), s.XSTA);
            printWord(indexed("ZSTA", b + 1, p + 1), s.ZSTA);
            printWord(indexed("XEND", b + 1, p + 1), s.XEND);
            printWord(indexed("ZEND", b + 1, p + 1), s.ZEND);
        }
    }
    for (int b = 0; b < in.net.NBR; ++b) printWord(indexed("QIN", b + 1), in.bnd.QIN[b]);
    for (int b = 0; b < in.net.NBR; ++b) printWord(indexed("TIN", b + 1), in.bnd.TIN[b]);
    for (int b = 0; b < in.net.NBR; ++b) printWord(indexed("TCLIN", b + 1), in.bnd.TCLIN[b]);
    printWord("POUT", in.bnd.POUT);
    printWord("TCLOUT", in.bnd.TCLOUT);
    printWord("LEKTYP", in.lek.LEKTYP);
    printWord("LEKBR", in.lek.LEKBR);
    printWord("LEKX", in.lek.LEKX);
    printWord("LEKDIA", in.lek.LEKDIA);
    printWord("LEKPB", in.lek.LEKPB);
}

int run(int argc, char** argv) {
    enum class Mode { Run, Verify, Record, Save } mode = Mode::Run;
    bool nearfield = false;
    QString savePath, path;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verify") == 0) {
            mode = Mode::Verify;
        } else if (std::strcmp(argv[i], "--record") == 0) {
            mode = Mode::Record;
        } else if (std::strcmp(argv[i], "--nearfield") == 0) {
            nearfield = true;
        } else if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc) {
            mode = Mode::Save;
            savePath = QString::fromLocal8Bit(argv[++i]);
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return usage();
        } else if (path.isEmpty()) {
            path = QString::fromLocal8Bit(argv[i]);
        } else {
            return usage();
        }
    }
    if (path.isEmpty()) return usage();

    CSystemSettings settings;
    settings.Load(QCoreApplication::applicationFilePath(), true);
    SetAppSettings(&settings);
    QString problem;
    if (!LoadUnitTables(&problem)) printErr(problem);
    if (!vexil_startup()) return 2;
    InstallScenarioFileLimits();

    Scenario scenario;
    scenario.diagram = diagram_data_create();
    const QByteArray file = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (!QFileInfo(path).isFile() ||
        !diagram_file_load(file.constData(), scenario.diagram, scenario.Sections())) {
        printErr(QStringLiteral("%1: cannot be loaded").arg(path));
        return 2;
    }

    if (mode == Mode::Save) {
        const QByteArray out = QFile::encodeName(savePath);
        if (!diagram_file_save(scenario.diagram, out.constData(), 0, scenario.Sections())) {
            printErr(QStringLiteral("%1: cannot be saved").arg(savePath));
            return 1;
        }
        return 0;
    }

    const QString scenarioPath = QString::fromLocal8Bit(file);
    // Opening the scenario completes the commit of a run that was killed in it.
    const QString unfinished =
        CResultFiles::CompleteInterruptedCommit(ResultBasePath(scenarioPath));
    if (!unfinished.isEmpty()) printErr(unfinished);

    CReleaseModel& model = scenario.release;
    const int fluidClass = model.GetFluidClass();
    // A fluid value the user never entered is named before anything else.
    try {
        network::CheckFluidRepairs(scenario.blackOil, scenario.components, fluidClass);
    } catch (const ValidationError& e) {
        printErr(ValidationMessage(e, messageText));
        return 1;
    }
    if (mode == Mode::Run && !scenario.fluid.IsConfirmed(fluidClass)) {
        printErr(messageText(IDS_CONFIRM_FLUID));
        return 1;
    }
    // Settings the run could not use are refused before anything runs.
    if (mode == Mode::Run && nearfield && !scenario.plume.IsConfirmed()) {
        printErr(messageText(IDS_CONFIRM_NEARFIELD));
        return 1;
    }
    // A near-field setting that cannot be is refused before anything runs
    // (and by the check, as the program's Verify Layout refuses it).
    if ((mode == Mode::Run && nearfield) || mode == Mode::Verify) {
        const ValidationError e = CheckNearFieldSetup(scenario.plume.Setup());
        if (e.id != 0) {
            printErr(ValidationMessage(e, messageText));
            return 1;
        }
    }
    // One run at a time writes the scenario's results: the lock is held over
    // the discharge, the branch names and the near field, which stage their
    // files; they are put in place together once every stage succeeded.
    std::optional<CResultFiles> results;
    if (mode == Mode::Run) {
        results.emplace(ResultBasePath(scenarioPath));
        if (!results->IsLocked()) {
            printErr(results->Error());
            return 1;
        }
        model.SetResultFiles(&*results);
        scenario.plume.SetResultFiles(&*results);
    }
    // The check below builds a fresh record and so marks the result outdated;
    // the network itself is the one the saved result was computed for.
    const bool haveResult = nearfield && model.HasSummary() && model.IsUpToDate() &&
                            QFileInfo(ResultFilePath(scenarioPath, ".plt")).size() > 0;
    const QByteArray resultPath =
        QFile::encodeName(ResultFilePath(QString::fromLocal8Bit(file), ".$$$"));
    const CBlackOilModel& oil = scenario.blackOil;
    if (!model.ValidateNetwork(scenario.diagram, oil.gas_density, oil.oil_density,
                               oil.gas_oil_ratio, oil.water_cut, scenario.components.components,
                               resultPath.constData())) {
        const ValidationError e =
            model.Errors().empty() ? ValidationError{IDS_UNKNOWN_ERROR, 0} : model.Errors().front();
        QString text = ValidationMessage(e, messageText);
        if (!model.Warning().isEmpty()) text += QStringLiteral("\n\n") + model.Warning();
        if (e.xref > 0)
            text += QStringLiteral(" (object %1)\n  object: %2")
                        .arg(e.xref)
                        .arg(ObjectName(scenario.diagram, e.xref));
        printErr(text);
        return 1;
    }
    if (mode == Mode::Verify) {
        std::printf("%s\n", messageText(IDS_NETWORK_VALID).toUtf8().constData());
        return 0;
    }
    if (mode == Mode::Record) {
        printRecord(*model.GetInput());
        return 0;
    }

    QElapsedTimer clock;
    clock.start();
    if (haveResult) {
        model.SetUpToDate(true);
    } else {
        const TaskResult result = RunTaskAndWait(model);
        if (!taskSucceeded(result)) return 1;
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    QString why;
    if (!WriteBranchNameFile(ResultFilePath(scenarioPath, ".brn"), model, scenario.diagram,
                             &*results, &why)) {
        printErr(why);
        return 1;
    }

    NearfieldReport plumeReport;
    if (nearfield) {
        CBubblePlume& plume = scenario.plume;
        const DischargeSummary* summary =
            model.StagedSummary() ? model.StagedSummary() : model.GetSummary();
        if (!plume.Prepare(*summary, scenarioPath, model.GetLeakDepth(), model.GetLeakDiameter(),
                           model.GetLeakAmbientTemp(), settings.GetAmbientDir())) {
            printErr(messageText(plume.Errors().empty() ? IDS_UNKNOWN_ERROR
                                                        : plume.Errors().front().id));
            return 1;
        }
        CNearFieldTask task(plume);
        if (!taskSucceeded(RunTaskAndWait(task))) return 1;
        plumeReport = MakeNearfieldReport(plume, true);
    }
    // A run on a kept discharge result owns only what it wrote anew.
    if (!results->Commit(haveResult ? QStringList{QStringLiteral(".brn")} +
                                          CResultFiles::NearfieldExtensions()
                                    : CResultFiles::DischargeExtensions())) {
        printErr(results->Error());
        return 1;
    }
    model.CommitStagedResult();

    const QString report = BuildReportText(scenario.diagram, model, scenario.components,
                                           nearfield ? &plumeReport : nullptr,
                                           [](unsigned id) { return messageText(id); });
    std::fputs(report.toUtf8().constData(), stdout);
    std::printf("IERR 0\n");
    const float* v = &model.GetSummary()->time;
    for (int k = 0; k < 11; ++k) printWord(DISCHARGE_SUMMARY_KEYS[k], v[k]);
    const CNumericScope c;
    std::printf("release_seconds %.3f\n", seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int status = run(argc, argv);
    SetAppSettings(nullptr);
    return status;
}
