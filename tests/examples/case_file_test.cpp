// The bundled case files and the case-file reader's refusals.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "case_file.h"

namespace {

std::string bundled(const char* name) {
    return std::string(RELEASE_SOURCE_DIR) + "/examples/cases/" + name;
}

TEST(CaseFiles, OneBranchBlackOil) {
    cases::Case c = cases::load_case(bundled("one_branch_blackoil.json"));
    const ReleaseInput& in = *c.input;
    EXPECT_EQ(in.net.NBR, 1);
    EXPECT_EQ(in.net.NJUN, 0);
    for (int w : in.net.IBJ) EXPECT_EQ(w, 0);
    const BRREC& b = in.br[0];
    ASSERT_EQ(b.NPIPE, 5);
    EXPECT_FLOAT_EQ(b.XBR0, -5000.0f);
    EXPECT_FLOAT_EQ(b.ZBR0, -150.0f);  // elevation = minus the depth
    // Each pipe starts where the one before ends; the outlet is at x = 0.
    EXPECT_FLOAT_EQ(b.PIPE[0].XSTA, -5000.0f);
    EXPECT_FLOAT_EQ(b.PIPE[0].ZSTA, -150.0f);
    EXPECT_FLOAT_EQ(b.PIPE[0].XEND, -4000.0f);
    EXPECT_FLOAT_EQ(b.PIPE[0].ZEND, -145.0f);
    EXPECT_FLOAT_EQ(b.PIPE[1].XSTA, -4000.0f);
    EXPECT_FLOAT_EQ(b.PIPE[1].ZSTA, -145.0f);
    EXPECT_FLOAT_EQ(b.PIPE[4].XEND, 0.0f);
    EXPECT_FLOAT_EQ(b.PIPE[4].ZEND, -125.0f);
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(b.PIPE[p].NSECT, 0);
        EXPECT_FLOAT_EQ(b.PIPE[p].DIAM, 0.254f);  // from pipe_defaults
        EXPECT_FLOAT_EQ(b.PIPE[p].ROUGH, 5.0e-5f);
        EXPECT_FLOAT_EQ(b.PIPE[p].HTC, 20.0f);
        EXPECT_FLOAT_EQ(b.PIPE[p].TAMB, 4.0f);
    }
    EXPECT_EQ(b.PIPE[5].DIAM, 0.0f);        // unused records stay zero
    EXPECT_FLOAT_EQ(in.bnd.QIN[0], 20.0f);  // kg/s as written
    EXPECT_FLOAT_EQ(in.bnd.TIN[0], 60.0f);
    EXPECT_FLOAT_EQ(in.bnd.TCLIN[0], 600.0f);
    EXPECT_EQ(in.bnd.QIN[1], 0.0f);
    EXPECT_FLOAT_EQ(in.bnd.POUT, 2.0e6f);
    EXPECT_FLOAT_EQ(in.bnd.TCLOUT, 300.0f);
    EXPECT_EQ(in.lek.LEKTYP, 0);
    EXPECT_EQ(in.lek.LEKBR, 1);
    EXPECT_FLOAT_EQ(in.lek.LEKX, 2500.0f);
    EXPECT_FLOAT_EQ(in.lek.LEKDIA, 0.05f);
    EXPECT_FLOAT_EQ(in.lek.LEKPB, 1.51e6f);
    EXPECT_EQ(c.fluid.kind, cases::Fluid::Kind::BlackOil);
    EXPECT_FLOAT_EQ(in.pvt.ROGST, 0.85f);
    EXPECT_FLOAT_EQ(in.pvt.ROLST, 850.0f);
    EXPECT_FLOAT_EQ(in.pvt.GORST, 100.0f);
    EXPECT_EQ(in.pvt.BETAST, 0.0f);
    EXPECT_FLOAT_EQ(c.fluid.water_cut, 10.0f);
    EXPECT_EQ(in.pvt.NP, 0);  // tables are BLACKOIL's work
    EXPECT_EQ(c.control.version, 2);
    EXPECT_FLOAT_EQ(c.control.TUSER, 3600.0f);
    EXPECT_EQ(c.control.NOTEMP, 0);
}

TEST(CaseFiles, ThreeBranchJunction) {
    cases::Case c = cases::load_case(bundled("three_branch_junction.json"));
    const ReleaseInput& in = *c.input;
    EXPECT_EQ(in.net.NBR, 3);
    EXPECT_EQ(in.net.NJUN, 1);
    EXPECT_EQ(in.net.NBJ[0], 3);
    EXPECT_EQ(in.net.NBJ[1], 0);
    EXPECT_EQ(in.net.NBJ[2], 0);
    // Record words 5 + (j-1) + 3(k-1): junction 1 lists 1 and 2 flowing in,
    // then 3 leaving downstream.
    const int32_t* words = reinterpret_cast<const int32_t*>(&in.net);
    EXPECT_EQ(words[5], 1);
    EXPECT_EQ(words[8], 2);
    EXPECT_EQ(words[11], 3);
    for (int w : {6, 7, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19})
        EXPECT_EQ(words[w], 0) << "word " << w;
    EXPECT_EQ(in.br[0].NPIPE, 2);
    EXPECT_EQ(in.br[1].NPIPE, 2);
    EXPECT_EQ(in.br[2].NPIPE, 3);
    // Both inflowing branches end at the junction, where the outlet branch starts.
    for (int b : {0, 1}) {
        const PIPSEG& last = in.br[b].PIPE[in.br[b].NPIPE - 1];
        EXPECT_FLOAT_EQ(last.XEND, in.br[2].XBR0) << "branch " << b + 1;
        EXPECT_FLOAT_EQ(last.ZEND, in.br[2].ZBR0) << "branch " << b + 1;
    }
    EXPECT_FLOAT_EQ(in.br[2].XBR0, -3000.0f);
    EXPECT_FLOAT_EQ(in.br[2].ZBR0, -120.0f);
    EXPECT_FLOAT_EQ(in.br[1].XBR0, -4500.0f);
    EXPECT_FLOAT_EQ(in.br[1].PIPE[1].XSTA, -3500.0f);
    EXPECT_FLOAT_EQ(in.br[2].PIPE[2].XEND, 0.0f);
    EXPECT_FLOAT_EQ(in.br[2].PIPE[2].ZEND, -90.0f);
    EXPECT_FLOAT_EQ(in.br[1].PIPE[0].DIAM, 0.1524f);
    EXPECT_FLOAT_EQ(in.br[2].PIPE[0].DIAM, 0.3048f);
    EXPECT_FLOAT_EQ(in.bnd.QIN[0], 15.0f);
    EXPECT_FLOAT_EQ(in.bnd.QIN[1], 10.0f);
    EXPECT_EQ(in.bnd.QIN[2], 0.0f);  // starts at the junction
    EXPECT_FLOAT_EQ(in.bnd.TIN[1], 65.0f);
    EXPECT_FLOAT_EQ(in.bnd.TCLIN[0], 600.0f);
    EXPECT_FLOAT_EQ(in.bnd.TCLIN[1], 900.0f);
    EXPECT_FLOAT_EQ(in.bnd.TCLOUT, 600.0f);
    EXPECT_FLOAT_EQ(in.bnd.POUT, 2.5e6f);
    EXPECT_EQ(in.lek.LEKBR, 2);
    EXPECT_FLOAT_EQ(in.lek.LEKX, 800.0f);
    EXPECT_EQ(c.control.NOTEMP, 1);
    EXPECT_EQ(c.control.TUSER, 0.0f);
    ASSERT_EQ(c.branch_names.size(), 3u);
    EXPECT_EQ(c.branch_names[2], "Export line");
}

TEST(CaseFiles, GasPipelineComposition) {
    cases::Case c = cases::load_case(bundled("gas_pipeline_comppvt.json"));
    const ReleaseInput& in = *c.input;
    EXPECT_EQ(in.net.NBR, 1);
    EXPECT_EQ(in.br[0].NPIPE, 4);
    EXPECT_FLOAT_EQ(in.br[0].XBR0, -8000.0f);
    EXPECT_FLOAT_EQ(in.br[0].PIPE[3].XEND, 0.0f);
    EXPECT_FLOAT_EQ(in.bnd.QIN[0], 50.0f);
    EXPECT_EQ(c.fluid.kind, cases::Fluid::Kind::Composition);
    EXPECT_EQ(in.pvt.ROGST, 0.0f);  // COMPPVT computes the standard values
    COMPREC comp = cases::make_comprec(c.fluid);
    ASSERT_EQ(comp.NCOMP, 5);
    const int32_t models[5] = {4, 5, 6, 1, 2};
    float sum = 0;
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(comp.MODEL[k], models[k]);
        sum += comp.MOLEPCT[k];
    }
    EXPECT_FLOAT_EQ(comp.MOLEPCT[0], 92.0f);
    EXPECT_FLOAT_EQ(sum, 100.0f);
    EXPECT_FLOAT_EQ(comp.MOLWT[0], 16.043f);
    EXPECT_EQ(comp.LIQDEN[0], 0.0f);
    EXPECT_EQ(comp.MODEL[5], 0);
    EXPECT_EQ(c.control.NOTEMP, 0);  // temperatures computed unless switched off
    EXPECT_FLOAT_EQ(c.control.TUSER, 7200.0f);
}

TEST(CaseFiles, FreshRecordDefaults) {
    auto in = cases::fresh_input();
    EXPECT_EQ(in->net.NBR, 0);
    EXPECT_FLOAT_EQ(in->bnd.POUT, 1.0f);
    EXPECT_FLOAT_EQ(in->bnd.TCLOUT, -1.0f);
    EXPECT_FLOAT_EQ(in->lek.LEKPB, 1.0f);
    EXPECT_FLOAT_EQ(in->leak_amb_temp, 4.0f);
    EXPECT_EQ(in->pvt.TAB[15][19][19], 0.0f);
}

// A small valid case; each row of the table below breaks one thing.
const char* kBase = R"({
  "network": {"branches": [
     {"start": {"x": -100, "depth": 50},
      "pipes": [{"end": {"x": 0, "depth": 50}, "diameter": 0.2}]}]},
  "inlets": [{"branch": 1, "rate": 5, "temperature": 40}],
  "outlet": {"pressure": 2e6},
  "leak": {"branch": 1, "position": 50, "diameter": 0.02, "back_pressure": 6e5},
  "fluid": {"black_oil": {"gas_density": 0.8, "oil_density": 850, "gor": 100, "water_cut": 0}}
})";

using nlohmann::json;

json three_branches() {
    json j = json::parse(kBase);
    json br = j["network"]["branches"][0];
    j["network"]["branches"] = json::array({br, br, br});
    j["network"]["junctions"] = json::array({{{"in", {1, 2}}, {"out", 3}}});
    j["inlets"].push_back({{"branch", 2}, {"rate", 1}, {"temperature", 30}});
    return j;
}

TEST(CaseFiles, BadCaseFilesAreRefusedWithThePlace) {
    struct Row {
        const char* what;
        std::function<void(json&)> spoil;
        const char* message;
    };
    const Row rows[] = {
        {"misspelt key", [](json& j) { j["network"]["branches"][0]["pipes"][0]["diamter"] = 0.2; },
         "network.branches[0].pipes[0]: unknown key \"diamter\""},
        {"no diameter", [](json& j) { j["network"]["branches"][0]["pipes"][0].erase("diameter"); },
         "network.branches[0].pipes[0]: missing \"diameter\" (neither here nor in pipe_defaults)"},
        {"text for a number", [](json& j) { j["inlets"][0]["rate"] = "5 kg/s"; },
         "inlets[0].rate: must be a number"},
        {"leak on a missing branch", [](json& j) { j["leak"]["branch"] = 2; },
         "leak.branch: branch 2 does not exist (the network has 1 branch)"},
        {"fractional branch number", [](json& j) { j["leak"]["branch"] = 1.5; },
         "leak.branch: must be a whole number"},
        {"no leak", [](json& j) { j.erase("leak"); }, "missing \"leak\""},
        {"no inlet", [](json& j) { j["inlets"] = json::array(); },
         "inlets: branch 1 starts at an inlet but has no entry here"},
        {"two inlets on one branch", [](json& j) { j["inlets"].push_back(j["inlets"][0]); },
         "inlets[1]: branch 1 has a second inlet"},
        {"both fluids", [](json& j) { j["fluid"]["composition"] = json::array(); },
         "fluid: give either \"black_oil\" or \"composition\""},
        {"unknown component",
         [](json& j) {
             j["fluid"] = {{"composition", {{{"model", 0}, {"mole_percent", 100}}}}};
         },
         "fluid.composition[0].model: model index must be 1 or more"},
        {"value beyond a 32-bit real", [](json& j) { j["outlet"]["pressure"] = 1e300; },
         "outlet.pressure: does not fit a 32-bit real"},
        {"16 branches",
         [](json& j) {
             json br = j["network"]["branches"][0];
             j["network"]["branches"] = json::array();
             for (int i = 0; i < 16; ++i) j["network"]["branches"].push_back(br);
         },
         "network.branches: 16 branches; the record holds at most 15"},
        {"101 pipes",
         [](json& j) {
             json p = j["network"]["branches"][0]["pipes"][0];
             for (int i = 0; i < 100; ++i) j["network"]["branches"][0]["pipes"].push_back(p);
         },
         "network.branches[0].pipes: 101 pipes; a branch holds at most 100"},
        {"several branches, no junction",
         [](json& j) {
             j = three_branches();
             j["network"].erase("junctions");
         },
         "network: a network of several branches needs \"junctions\""},
        {"inlet on a branch leaving a junction",
         [](json& j) {
             j = three_branches();
             j["inlets"].push_back({{"branch", 3}, {"rate", 1}, {"temperature", 30}});
         },
         "inlets[2]: branch 3 starts at a junction, not at an inlet"},
        {"six branches at a junction",
         [](json& j) {
             j = three_branches();
             j["network"]["junctions"][0]["in"] = {1, 2, 1, 2, 1};
         },
         "network.junctions[0]: 6 branches; a junction holds at most 5"},
        {"four junctions",
         [](json& j) {
             j = three_branches();
             json jn = j["network"]["junctions"][0];
             j["network"]["junctions"] = json::array({jn, jn, jn, jn});
         },
         "network.junctions: 4 junctions; the record holds at most 3"},
        {"junction naming a missing branch",
         [](json& j) {
             j = three_branches();
             j["network"]["junctions"][0]["out"] = 4;
         },
         "network.junctions[0].out: branch 4 does not exist (the network has 3 branches)"},
    };
    for (const Row& row : rows) {
        json j = json::parse(kBase);
        row.spoil(j);
        try {
            cases::parse_case(j.dump(), "bad.json");
            ADD_FAILURE() << row.what << ": accepted";
        } catch (const cases::CaseError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("bad.json: ") + row.message) << row.what;
        }
    }
    // The base itself is fine.
    EXPECT_NO_THROW(cases::parse_case(kBase, "base.json"));
    EXPECT_NO_THROW(cases::parse_case(three_branches().dump(), "three.json"));
}

TEST(CaseFiles, UnreadableFiles) {
    try {
        cases::parse_case("{\"network\": ", "broken.json");
        ADD_FAILURE() << "accepted";
    } catch (const cases::CaseError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("broken.json: not valid JSON: ", 0), 0u) << e.what();
    }
    try {
        cases::load_case("/no/such/case.json");
        ADD_FAILURE() << "accepted";
    } catch (const cases::CaseError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("/no/such/case.json: cannot open the file", 0), 0u)
            << e.what();
    }
}

}  // namespace
