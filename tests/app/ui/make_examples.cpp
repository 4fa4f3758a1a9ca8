// Draws the example scenarios with the program, the way a user would, and
// saves them into the folder given on the command line.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "fluid_dlgs.h"
#include "message_box.h"
#include "nearfield_dlg.h"
#include "object_dlgs.h"
#include "prop_list_ctrl.h"
#include "scenario_script.h"

namespace {

using S = ScenarioScript;

void label(CDialog* d, const char* text) { S::SetText(d, IDC_LABEL, text); }

void inletProps(S& s, diagram_object* o, const char* name, const char* depth, const char* rate,
                const char* temp) {
    s.Properties(o, [&](CDialog* d) {
        label(d, name);
        S::SetText(d, IDC_DEPTH, depth);
        S::SetText(d, IDC_FLOWRATE, rate);
        S::SetText(d, IDC_TEMP, temp);
        S::SetText(d, IDC_CLOSINGTIME, "300");
    });
}

void pipeProps(S& s, diagram_object* o, const char* name, const char* length,
               const char* diameter) {
    s.Properties(o, [&](CDialog* d) {
        label(d, name);
        S::SetText(d, IDC_LENGTH, length);
        S::SetText(d, IDC_DIAMETER, diameter);
    });
}

void outletProps(S& s, diagram_object* o, const char* name, const char* depth,
                 const char* pressure) {
    s.Properties(o, [&](CDialog* d) {
        label(d, name);
        S::SetText(d, IDC_DEPTH, depth);
        S::SetText(d, IDC_PRESSURE, pressure);
    });
}

void leakProps(S& s, diagram_object* o, const char* distance, const char* diameter,
               const char* depth) {
    s.Properties(o, [&](CDialog* d) {
        S::SetText(d, IDC_DISTANCE, distance);
        S::SetText(d, IDC_DIAMETER, diameter);
        S::SetText(d, IDC_DEPTH, depth);
    });
}

void composition(S& s, const std::vector<std::pair<QString, QString>>& fractions) {
    s.WithDialog(ID_SCENARIO_GAS_COMPOSITION, [&](CDialog* d) {
        S::SetFractions(d, fractions);
        // Confirmed last, the composition is the fluid of the runs.
        if (auto* use = d->Item<QCheckBox>(CGasPropsDlg::IDC_USE_FOR_RUNS)) use->setChecked(true);
    });
}

// The near-field settings confirmed in their dialog, with a shipped ambient
// profile of the site and the water temperature it gives at the leak's depth.
void confirmNearfield(S& s, const char* ambient, const char* waterTemperature) {
    s.WithDialog(ID_SCENARIO_NEARFIELD_SETUP, [&](CDialog* d) {
        if (auto* list = d->Item<QComboBox>(CNearFieldModelDlg::IDC_AMBIENT)) {
            const int at = list->findText(QString::fromLatin1(ambient));
            if (at >= 0)
                list->setCurrentIndex(at);
            else
                std::fprintf(stderr, "no ambient profile %s\n", ambient);
        }
        S::SetText(d, CNearFieldModelDlg::IDC_WATER_TEMP, waterTemperature);
    });
}

bool save(S& s, const QString& path) {
    const bool ok = s.Doc()->DoSave(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// An oil line from a well to a platform, leaking half way. The fluid comes
// first: an inlet's rate is a quantity of the fluid the runs use.
void drawOilLine(S& s, const std::function<void()>& fluid, const char* well, const char* rate,
                 const char* line) {
    s.app->OnFileNew();
    fluid();
    diagram_object* in = s.Add(ID_TOOL_INLET, {1, 2});
    diagram_object* out = s.Add(ID_TOOL_OUTLET, {12, 2});
    diagram_object* pipe = s.AddPipeline(S::CpOf(in, S::RIGHT), S::CpOf(out, S::LEFT));
    diagram_object* leak = s.AddLeak({6, 5}, pipe);
    inletProps(s, in, well, "120", rate, "60");
    pipeProps(s, pipe, line, "8000", "254");
    outletProps(s, out, "Platform", "120", "20");
    leakProps(s, leak, "4000", "50", "120");
}

void liveBlackOil(S& s) {
    s.WithDialog(ID_SCENARIO_FLUID, [](CDialog* d) {
        S::SetText(d, CFluidPropsDlg::IDC_GAS_DENSITY, "0.85");
        S::SetText(d, CFluidPropsDlg::IDC_OIL_DENSITY, "850");
        S::SetText(d, CFluidPropsDlg::IDC_GOR, "120");
        S::SetText(d, CFluidPropsDlg::IDC_WATER_CUT, "10");
        // The runs use the black oil only when the user says so.
        d->Item<QCheckBox>(CFluidPropsDlg::IDC_USE_FOR_RUNS)->setChecked(true);
    });
}

// The oil line with a black oil confirmed first, then the same live oil as
// a composition (confirmed last: the runs use the compositional model).
bool oilLine(S& s, const QString& path) {
    drawOilLine(
        s,
        [&s] {
            liveBlackOil(s);
            composition(s, {{"N2", "0.5"},
                            {"CO2", "1.5"},
                            {"C1", "39"},
                            {"C2", "7"},
                            {"C3", "6"},
                            {"iC4", "1.5"},
                            {"nC4", "3"},
                            {"iC5", "1.5"},
                            {"nC5", "2"},
                            {"C6", "4"},
                            {"C7", "12"},
                            {"C8", "12"},
                            {"C9", "10"}});
        },
        "Wellhead", "500000", "Oil line");
    confirmNearfield(s, "NorthSea_Summer.AHP", "7.2");
    return save(s, path);
}

// An oil well's flowline to a platform, the fluid given as a black oil
// (Fluid Properties, confirmed last, is the fluid of the runs).
bool blackOilLine(S& s, const QString& path) {
    drawOilLine(
        s, [&s] { liveBlackOil(s); }, "Well A", "5000", "Flowline");  // Sm3/d of liquid
    confirmNearfield(s, "NorthSea_Summer.AHP", "7.2");
    return save(s, path);
}

// Two inlets meeting at a junction, one line on to the outlet.
bool twoInlets(S& s, const QString& path) {
    s.app->OnFileNew();
    diagram_object* north = s.Add(ID_TOOL_INLET, {1, 1});
    diagram_object* south = s.Add(ID_TOOL_INLET, {1, 7});
    diagram_object* junction = s.Add(ID_TOOL_JUNCTION, {6, 4});
    diagram_object* out = s.Add(ID_TOOL_OUTLET, {12, 4});
    diagram_object* p1 = s.AddPipeline(S::CpOf(north, S::RIGHT), S::CpOf(junction, S::TOP));
    diagram_object* p2 = s.AddPipeline(S::CpOf(south, S::RIGHT), S::CpOf(junction, S::BOTTOM));
    diagram_object* p3 = s.AddPipeline(S::CpOf(junction, S::RIGHT), S::CpOf(out, S::LEFT));
    diagram_object* leak = s.AddLeak({9, 7}, p3);
    inletProps(s, north, "North", "150", "2000000", "50");
    inletProps(s, south, "South", "140", "1500000", "45");
    s.Properties(junction, [](CDialog* d) {
        label(d, "J1");
        S::SetText(d, IDC_DEPTH, "130");
    });
    pipeProps(s, p1, "North flowline", "3000", "203.2");
    pipeProps(s, p2, "South flowline", "2500", "203.2");
    pipeProps(s, p3, "Trunk", "6000", "304.8");
    outletProps(s, out, "Riser base", "110", "30");
    leakProps(s, leak, "1500", "25", "120");
    composition(s, {{"C1", "88"}, {"C2", "6"}, {"C3", "3"}, {"N2", "2"}, {"CO2", "1"}});
    confirmNearfield(s, "NorthSea_Winter.AHP", "6.9");
    return save(s, path);
}

// A gas export line in two segments joined by a connection.
bool gasExport(S& s, const QString& path) {
    s.app->OnFileNew();
    diagram_object* in = s.Add(ID_TOOL_INLET, {1, 2});
    diagram_object* join = s.Add(ID_TOOL_PIPEJOIN, {7, 2});
    diagram_object* out = s.Add(ID_TOOL_OUTLET, {13, 2});
    diagram_object* p1 = s.AddPipeline(S::CpOf(in, S::RIGHT), S::CpOf(join, S::LEFT));
    diagram_object* p2 = s.AddPipeline(S::CpOf(join, S::RIGHT), S::CpOf(out, S::LEFT));
    diagram_object* leak = s.AddLeak({10, 5}, p2);
    inletProps(s, in, "Gas platform", "80", "10000000", "40");
    s.Properties(join, [](CDialog* d) {
        label(d, "Tie-in");
        S::SetText(d, IDC_DEPTH, "200");
    });
    pipeProps(s, p1, "Export 1", "20000", "711.2");
    pipeProps(s, p2, "Export 2", "30000", "711.2");
    outletProps(s, out, "Landfall", "0", "70");
    leakProps(s, leak, "10000", "100", "250");
    composition(s, {{"C1", "90.5"},
                    {"C2", "5"},
                    {"C3", "2"},
                    {"iC4", "0.5"},
                    {"nC4", "0.5"},
                    {"N2", "1"},
                    {"CO2", "0.5"}});
    confirmNearfield(s, "NorwegianSea_Summer.AHP", "6.5");
    return save(s, path);
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    ScriptedMessageBoxes boxes;
    ScenarioScript s;
    if (!s.Start()) return 1;
    s.app->GetSettings().SetDisplayUnits(0);
    s.app->GetSettings().SetToolReset(true);
    s.app->GetSettings().SetBackupBeforeOverwrite(false);  // no "name~" beside the examples
    s.Main()->show();
    bool ok = oilLine(s, out.filePath("oil_line.zef"));
    ok = twoInlets(s, out.filePath("two_inlets_junction.zef")) && ok;
    ok = gasExport(s, out.filePath("gas_export.zef")) && ok;
    ok = blackOilLine(s, out.filePath("black_oil_line.zef")) && ok;
    for (const QString& t : boxes.Texts()) std::printf("message: %s\n", qPrintable(t));
    return ok ? 0 : 1;
}
