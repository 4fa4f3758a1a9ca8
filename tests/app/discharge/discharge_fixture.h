// Scenarios of the discharge tests, drawn through the diagram library's
// object types: a labelled one-branch flowline and a two-inlet network with
// a junction, each with a black oil, and a validated discharge model on them.
#pragma once

#include "../model/network_builder.h"
#include "fluid_model.h"
#include "release_model.h"

#include <vexil/network_objects.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>

// Texts in test messages as UTF-8, line ends visible.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toUtf8().replace("\r", "\\r").replace("\n", "\\n\n").toStdString() << '"';
}

namespace discharge_test {

using model_test::Network;

// Every entry of a folder, hidden ones too, with its bytes (a folder shows
// as "(folder)"), so a test can hold that a run changed nothing there.
inline std::map<QString, QByteArray> FolderContents(const QString& path,
                                                    const QString& except = {}) {
    std::map<QString, QByteArray> files;
    const QDir dir(path);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (name == except) continue;
        QFile f(dir.filePath(name));
        files[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(folder)");
    }
    return files;
}

// inlet "Well A" (150 m) <- 1000 m "Flowline 1" <- join (140 m) <- 1000 m
// "Flowline 2" <- outlet "Platform" (125 m, 20 bar, closes after 300 s);
// a 5 cm leak 500 m into the downstream pipeline.
inline void DrawFlowline(Network& net) {
    auto* outlet =
        net.Add("FlowOutlet", {{"depth", 125}, {"pressure", 2.0e6}, {"closingtime", 300}});
    auto *down = net.Pipe(1000), *join = net.Join(140), *up = net.Pipe(1000);
    auto* inlet = net.Inlet(150, 1000, 60);
    auto* spill = net.Add("SpillPoint", {{"depth", 137},
                                         {"distance", 500},
                                         {"diameter", 0.05},
                                         {"backpressure", 137 * 9.80665 * 1030 + 101325}});
    object_set_label(outlet, "Platform");
    object_set_label(inlet, "Well A");
    object_set_label(up, "Flowline 1");
    object_set_label(down, "Flowline 2");
    net.Chain(outlet, down, join);
    net.Chain(join, up, inlet);
    net.Leak(spill, down);
}

// Two inlets "North" and "South" meet at Junction "J1"; the branch from the
// junction runs to the outlet "Riser". Branch numbers: the two inlet
// branches first (in drawing order), the junction's branch last.
inline void DrawTwoInlets(Network& net, bool labelSouth = true) {
    auto* outlet =
        net.Add("FlowOutlet", {{"depth", 100}, {"pressure", 2.0e6}, {"closingtime", -1}});
    auto *trunk = net.Pipe(800), *junction = net.Junction(110);
    auto *north = net.Pipe(600), *south = net.Pipe(700);
    auto *northInlet = net.Inlet(120, 800, 50), *southInlet = net.Inlet(125, 600, 55);
    auto* spill = net.Add("SpillPoint", {{"depth", 105},
                                         {"distance", 400},
                                         {"diameter", 0.04},
                                         {"backpressure", 105 * 9.80665 * 1030 + 101325}});
    object_set_label(outlet, "Riser");
    object_set_label(junction, "J1");
    object_set_label(northInlet, "North");
    if (labelSouth) object_set_label(southInlet, "South");
    net.Chain(outlet, trunk, junction);
    net.Chain(junction, north, northInlet);
    net.Chain(junction, south, southInlet);
    net.Leak(spill, trunk);
}

// Validates the drawing with a black oil; results go beside dir/name.zef.
inline ::testing::AssertionResult Validate(CReleaseModel& model, Network& net,
                                           const QTemporaryDir& dir,
                                           const char* name = "scenario") {
    CBlackOilModel oil;
    oil.Set(0.85f, 850.0f, 100.0f, 10.0f);
    model.SetFluidClass(FLUID_BLACK_OIL);
    const std::string base = dir.filePath(QString::fromUtf8(name) + ".$$$").toStdString();
    if (model.ValidateNetwork(net.data, oil.gas_density, oil.oil_density, oil.gas_oil_ratio,
                              oil.water_cut, {}, base.c_str()))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "validation failed: " << model.Errors().front().id
                                         << " object " << model.Errors().front().xref;
}

}  // namespace discharge_test
