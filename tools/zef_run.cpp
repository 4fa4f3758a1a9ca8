// zef_run: runs the discharge model of a scenario file without a window.
//
//   zef_run [--verify | --record | --save OUT.zef] SCENARIO.zef
//
// Loads the scenario with the diagram library, checks the network and
// builds the library's input exactly as the program does, then runs the
// discharge on a worker thread through the same model classes. The result
// time series (.plt), the run log (.log) and the branch-name file (.brn) are
// written beside the scenario; the summary report is printed, followed by
// "IERR 0", the 11 summary values at full precision ("time 1234.5", ...)
// and the library's own run time ("release_seconds 0.53").
//
//   --verify  stop after the network check (prints the success message)
//   --record  print the network words of the built input record, one
//             "NAME value" per line, and stop
//   --save    save the loaded scenario to OUT.zef and stop
//
// Loader messages and the check's message (with the object's number) go to
// standard error. Exit status: 0 success, 1 the check or the run failed,
// 2 the file could not be loaded (or a usage error).
#include "fluid_model.h"
#include "fluid_section.h"
#include "plot_launch.h"
#include "release_model.h"
#include "release_section.h"
#include "report_text.h"
#include "system_settings.h"
#include "units.h"
#include "worker_task.h"

#ifdef ORVANE_HAVE_STRING_TABLE
#include "string_table.h"
#endif

#include <vexil/diagram_file.h>
#include <vexil/diagramdata.h>
#include <vexil/object.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr unsigned IDS_NETWORK_VALID = 16101;
constexpr unsigned IDS_CONFIRM_FLUID = 16196;

QString messageText(unsigned id) {
#ifdef ORVANE_HAVE_STRING_TABLE
    if (AfxHasString(static_cast<int>(id))) return AfxLoadString(static_cast<int>(id));
#endif
    return QStringLiteral("Message %1").arg(id);
}

void printErr(const QString &text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }

int usage() {
    std::fprintf(stderr, "usage: zef_run [--verify | --record | --save OUT.zef] SCENARIO.zef\n");
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
    const FileSection *Sections() {
        sections[0] = {&fluid, "fluid", SaveFluidSection, LoadFluidSection};
        sections[1] = {&release, "release", SaveReleaseSection, LoadReleaseSection};
        sections[2] = {nullptr, nullptr, nullptr, nullptr};
        return sections;
    }

    diagram_data *diagram = nullptr;
    CBlackOilModel blackOil;
    FluidComponentList components;
    CFluidModel fluid;
    CReleaseModel release;
    FileSection sections[3];
};

void printWord(const char *name, double value) { std::printf("%s %.9g\n", name, value); }
void printWord(const std::string &name, double value) { printWord(name.c_str(), value); }

std::string indexed(const char *name, int i) { return std::string(name) + "(" + std::to_string(i) + ")"; }
std::string indexed(const char *name, int i, int j) {
    return std::string(name) + "(" + std::to_string(i) + "," + std::to_string(j) + ")";
}

void printRecord(const orvane::ReleaseInput &in) {
    printWord("NBR", in.net.NBR);
    printWord("NJUN", in.net.NJUN);
    for (int j = 0; j < orvane::MAX_JUNCTIONS; ++j) printWord(indexed("NBJ", j + 1), in.net.NBJ[j]);
    for (int k = 0; k < 15; ++k) printWord(indexed("IBJ", k + 1), in.net.IBJ[k]);
    for (int b = 0; b < in.net.NBR; ++b) {
        const BRREC &br = in.br[b];
        printWord(indexed("XBR0", b + 1), br.XBR0);
        printWord(indexed("ZBR0", b + 1), br.ZBR0);
        for (int p = 0; p < br.NPIPE && p < orvane::MAX_SEGMENTS; ++p) {
            const PIPSEG &s = br.PIPE[p];
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

int run(int argc, char **argv) {
    enum class Mode { Run, Verify, Record, Save } mode = Mode::Run;
    QString savePath, path;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verify") == 0) {
            mode = Mode::Verify;
        } else if (std::strcmp(argv[i], "--record") == 0) {
            mode = Mode::Record;
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

    Scenario scenario;
    scenario.diagram = diagram_data_create();
    const QByteArray file = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (!QFileInfo(path).isFile() || !diagram_file_load(file.constData(), scenario.diagram, scenario.Sections())) {
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

    CReleaseModel &model = scenario.release;
    const int fluidClass = model.GetFluidClass();
    if (mode == Mode::Run && !scenario.fluid.IsConfirmed(fluidClass)) {
        printErr(messageText(IDS_CONFIRM_FLUID));
        return 1;
    }
    const QByteArray resultPath = QFile::encodeName(ResultFilePath(QString::fromLocal8Bit(file), ".$$$"));
    const CBlackOilModel &oil = scenario.blackOil;
    if (!model.ValidateNetwork(scenario.diagram, oil.gas_density, oil.oil_density, oil.gas_oil_ratio, oil.water_cut,
                               scenario.components.components, resultPath.constData())) {
        const ValidationError e = model.Errors().empty() ? ValidationError{16110, 0} : model.Errors().front();
        QString text = messageText(e.id);
        if (!model.Warning().isEmpty()) text += QStringLiteral("\n\n") + model.Warning();
        if (e.xref > 0) text += QStringLiteral(" (object %1)").arg(e.xref);
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
    const TaskResult result = RunTaskAndWait(model);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    if (result.outcome != TaskOutcome::Succeeded) {
        const QString why = result.errorId ? messageText(result.errorId) : result.errorText;
        printErr(QStringLiteral("Task failed:\n\n%1").arg(why));
        return 1;
    }
    WriteBranchNameFile(ResultFilePath(QString::fromLocal8Bit(file), ".brn"), model, scenario.diagram);

    const QString report =
        BuildReportText(scenario.diagram, model, scenario.components, nullptr, [](unsigned id) { return messageText(id); });
    std::fputs(report.toUtf8().constData(), stdout);
    std::printf("IERR 0\n");
    const float *v = &model.GetSummary()->time;
    for (int k = 0; k < 11; ++k) printWord(DISCHARGE_SUMMARY_KEYS[k], v[k]);
    std::printf("release_seconds %.3f\n", seconds);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int status = run(argc, argv);
    SetAppSettings(nullptr);
    return status;
}
