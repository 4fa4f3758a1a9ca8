// The three example scenarios, drawn through the diagram library's object
// types and saved with their fluid and discharge settings: a one-branch oil
// line, a two-inlet network with a junction, and a gas export line with a
// gas composition. End times are short so that each run takes a second.
#pragma once

#include "discharge_fixture.h"
#include "fluid_section.h"
#include "release_section.h"

#include <vexil/diagram_file.h>

#include <QString>

#include <functional>
#include <vector>

namespace discharge_test {

struct ExampleScenario {
    const char* file;
    void (*draw)(Network&);
    bool gas;
};

inline void DrawGasExport(Network& net) {
    auto* outlet =
        net.Add("FlowOutlet", {{"depth", 80}, {"pressure", 6.0e6}, {"closingtime", 120}});
    auto* riser = net.Add("Pipeline", {{"length", 1500},
                                       {"diameter", 0.3048},
                                       {"roughness", 4.572e-05},
                                       {"heat_trans_coeff", 20},
                                       {"amb_temp", 6}});
    auto* join = net.Join(120);
    auto* line = net.Add("Pipeline", {{"length", 4000},
                                      {"diameter", 0.3048},
                                      {"roughness", 4.572e-05},
                                      {"heat_trans_coeff", 20},
                                      {"amb_temp", 6}});
    auto* inlet = net.Add(
        "FlowInlet", {{"depth", 150}, {"flowrate", 2.0e6}, {"temp", 40}, {"closingtime", 120}});
    auto* spill = net.Add("SpillPoint", {{"depth", 130},
                                         {"distance", 2000},
                                         {"diameter", 0.1},
                                         {"backpressure", 130 * 9.80665 * 1030 + 101325}});
    object_set_label(outlet, "Export riser");
    object_set_label(inlet, "Gas platform");
    object_set_label(line, "Export line");
    object_set_label(riser, "Riser base spool");
    net.Chain(outlet, riser, join);
    net.Chain(join, line, inlet);
    net.Leak(spill, line);
}

inline const std::vector<ExampleScenario>& ExampleScenarios() {
    static const std::vector<ExampleScenario> examples = {
        {"oil_line.zef", [](Network& n) { DrawFlowline(n); }, false},
        {"two_inlets_junction.zef", [](Network& n) { DrawTwoInlets(n); }, false},
        {"gas_export.zef", DrawGasExport, true},
    };
    return examples;
}

// A natural gas of the component catalogue (model indices of the library).
inline FluidComponentList ExampleGas() {
    FluidComponentList list;
    struct Row {
        const char* id;
        int model;
        float mw;
        const char* name;
        float pct;
    };
    const Row rows[] = {
        {"N2", 1, 28.013f, "Nitrogen", 1.0f}, {"CO2", 2, 44.01f, "Carbon_dioxide", 2.0f},
        {"C1", 4, 16.043f, "Methane", 88.0f}, {"C2", 5, 30.07f, "Ethane", 6.0f},
        {"C3", 6, 44.097f, "Propane", 2.0f},  {"nC4", 8, 58.124f, "n-Butane", 1.0f}};
    for (const Row& r : rows) {
        FluidComponent c;
        c.compid = r.id;
        c.model_idx = r.model;
        c.mole_weight = r.mw;
        c.name = r.name;
        c.fraction = r.pct;
        list.components.push_back(c);
    }
    list.comps_confirmed = true;
    return list;
}

// Saves a drawing with the examples' fluid and discharge settings (end time
// in s after the leak opens); true on success.
inline bool SaveDrawing(const std::function<void(Network&)>& draw, bool gas, const QString& path,
                        float endTime = 600.0f) {
    Network net;
    draw(net);
    CBlackOilModel oil;
    oil.Set(0.85f, 850.0f, 100.0f, 10.0f);
    FluidComponentList comps;
    if (gas) comps = ExampleGas();
    CFluidModel fluid(oil, comps);
    CReleaseModel release;
    release.SetFluidClass(gas ? FLUID_GAS_COMPOSITION : FLUID_BLACK_OIL);
    release.Control().TUSER = endTime;
    const FileSection sections[] = {{&fluid, "fluid", SaveFluidSection, LoadFluidSection},
                                    {&release, "release", SaveReleaseSection, LoadReleaseSection},
                                    {nullptr, nullptr, nullptr, nullptr}};
    return diagram_file_save(net.data, path.toUtf8().constData(), 0, sections) != 0;
}

inline bool SaveExample(const ExampleScenario& example, const QString& path,
                        float endTime = 600.0f) {
    return SaveDrawing(example.draw, example.gas, path, endTime);
}

}  // namespace discharge_test
