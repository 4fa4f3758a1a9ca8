// Fluids: the black oil and the gas composition through the real BLACKOIL
// and COMPPVT into a record that the real RELEASE runs; the refusals before
// the library is called; the component catalogue reader.
#include "fluid_tables.h"
#include "model_test_support.h"
#include "result_file_reader.h"
#include "system_settings.h"
#include "units.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace {

using model_test::OneBranchRecord;

std::vector<FluidComponent> Catalogue() {
    return ReadFluidCatalogue(ORVANE_PROGRAM_DIR "fluidcomps.txt");
}

// A gas of the shipped catalogue's components, by compid and mole percent.
std::vector<FluidComponent> Gas(std::initializer_list<std::pair<const char*, float>> parts) {
    std::vector<FluidComponent> all = Catalogue(), gas;
    for (auto [id, pct] : parts)
        for (FluidComponent c : all)
            if (c.compid == id) {
                c.fraction = pct;
                gas.push_back(c);
            }
    EXPECT_EQ(gas.size(), parts.size());
    return gas;
}

bool AllFinite(const DischargeSummary& s) {
    const float* v = &s.time;
    for (int i = 0; i < 11; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

TEST(FluidTables, default_black_oil_fills_tables_that_release_runs) {
    QTemporaryDir dir;
    auto rec = OneBranchRecord();
    rec->SetResultFileName(dir.filePath("run.$$$").toUtf8().constData());
    CBlackOilModel oil;
    QString warning;
    BuildFluidTables(*rec, FLUID_BLACK_OIL, oil.gas_density, oil.oil_density, oil.gas_oil_ratio,
                     oil.water_cut, {}, warning);
    EXPECT_TRUE(warning.isEmpty());
    EXPECT_NEAR(rec->bnd.QIN[0], 1000.0f * 0.010830874f, 1e-4f);  // per day to kg/s
    EXPECT_EQ(rec->pvt.NP, 20);
    EXPECT_GT(rec->pvt.NT, 1);
    EXPECT_FLOAT_EQ(rec->pvt.ROGST, oil.gas_density);
    EXPECT_FLOAT_EQ(rec->pvt.ROLST, oil.oil_density);

    orvane::ReleaseControl ctl;
    ctl.TUSER = 600.0f;
    DischargeSummary sum;
    std::string msg;
    ASSERT_EQ(orvane::CallRelease(*rec, ctl, sum, nullptr, msg), 0) << msg;
    EXPECT_TRUE(AllFinite(sum));
    EXPECT_GT(sum.total_mass, 0.0f);
    // The library named its files after the path it was given, not a
    // longer buffer.
    EXPECT_TRUE(QFileInfo(dir.filePath("run.plt")).size() > 0);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("run.log")));

    // The result reader on what the library wrote: by name, converted.
    ASSERT_TRUE(LoadUnitConversions(ORVANE_PROGRAM_DIR "unitconv.txt"));
    const ResultColumn si[] = {
        {"Time", "s", nullptr}, {"MASSLK", "kg", nullptr}, {nullptr, nullptr, nullptr}};
    const ResultColumn english[] = {
        {"MASSLK", "lb", nullptr}, {"NOSUCH", "kg", nullptr}, {nullptr, nullptr, nullptr}};
    ResultFileReader a, b;
    a.Open(dir.filePath("run.plt"));
    b.Open(dir.filePath("run.plt"));
    ResultColumnMap ma, mb;
    ASSERT_TRUE(a.ReadHeader(si, ma));
    ASSERT_TRUE(b.ReadHeader(english, mb));
    ASSERT_EQ(ma.size(), 2u);
    ASSERT_EQ(mb.size(), 1u);
    std::vector<float> ra, rb;
    int rows = 0;
    float lastTime = -1e30f, lastMass = 0.0f;
    while (a.ReadRow(ma, ra)) {
        ASSERT_TRUE(b.ReadRow(mb, rb));
        EXPECT_NEAR(rb[0], ra[1] * 2.20462262f, 1e-4f * std::fabs(rb[0]) + 1e-6f);
        EXPECT_EQ(rb[1], 0.0f);  // unmatched table row
        EXPECT_GT(ra[0], lastTime);
        lastTime = ra[0];
        lastMass = ra[1];
        ++rows;
    }
    EXPECT_GT(rows, 2);
    EXPECT_GE(lastTime, 600.0f);
    EXPECT_NEAR(lastMass, sum.total_mass, 0.01f * sum.total_mass);
}

TEST(FluidTables, gas_from_the_catalogue_through_comppvt_gives_its_standard_density) {
    auto rec = OneBranchRecord();
    QString warning;
    BuildFluidTables(*rec, FLUID_GAS_COMPOSITION, 0, 0, 0, 0,
                     Gas({{"C1", 90}, {"C2", 5}, {"C3", 3}, {"N2", 1}, {"CO2", 1}}), warning);
    EXPECT_TRUE(warning.isEmpty()) << warning.toStdString();
    // Ideal gas at 101325 Pa and 15 C: M = 17.9853 g/mol (mole-weighted),
    // rho = M p / (R T) = 0.017985 * 101325 / (8.314462 * 288.15) = 0.7607.
    // The real-gas factor (about 0.997) keeps it within 0.5 %.
    EXPECT_NEAR(rec->pvt.ROGST, 0.7607f, 0.0039f);
    EXPECT_GE(rec->pvt.BETAST, 0.99999f);  // a dry gas
    EXPECT_EQ(rec->pvt.GORST, 999999.0f);
    // Rates per day of gas: 1000 Sm3/d * rho / 86400.
    EXPECT_NEAR(rec->bnd.QIN[0], 1000.0f * rec->pvt.ROGST / (rec->pvt.BETAST * 86400.0f), 1e-6f);
}

// The composition tables' entry for a test that counts the builds asked for.
std::atomic<int> g_builds{0};
void CountedComposition(COMPREC* comp, PVTBLK* blk, int32_t* ierr, char* msg, int32_t len) {
    ++g_builds;
    COMPPVT(comp, blk, ierr, msg, len);
}

TEST(FluidTables, tables_of_an_unchanged_composition_are_built_once) {
    auto first = OneBranchRecord(), second = OneBranchRecord(), third = OneBranchRecord();
    const std::vector<FluidComponent> gas = Gas({{"C1", 91}, {"C2", 5}, {"C3", 2}, {"N2", 2}});
    std::vector<FluidComponent> other = gas;
    other[0].fraction = 90.5f;
    other[1].fraction = 5.5f;
    QString warning;
    SetCompositionTablesEntry(CountedComposition);
    const int before = g_builds;
    BuildFluidTables(*first, FLUID_GAS_COMPOSITION, 0, 0, 0, 0, gas, warning);
    BuildFluidTables(*second, FLUID_GAS_COMPOSITION, 0, 0, 0, 0, gas, warning);
    EXPECT_EQ(g_builds, before + 1);
    // The kept block is the one the library built, standard words included.
    EXPECT_EQ(std::memcmp(&first->pvt, &second->pvt, sizeof first->pvt), 0);
    EXPECT_EQ(first->bnd.QIN[0], second->bnd.QIN[0]);
    // Another composition is built anew.
    BuildFluidTables(*third, FLUID_GAS_COMPOSITION, 0, 0, 0, 0, other, warning);
    SetCompositionTablesEntry(nullptr);
    EXPECT_EQ(g_builds, before + 2);
    EXPECT_NE(third->pvt.ROGST, first->pvt.ROGST);
    EXPECT_TRUE(warning.isEmpty()) << warning.toStdString();
}

TEST(FluidTables, heavy_fraction_of_the_catalogue_with_its_density_entered) {
    auto rec = OneBranchRecord();
    std::vector<FluidComponent> gas = Gas({{"C1", 85}, {"C2", 7}, {"C3", 4}, {"C7+", 4}});
    gas.back().liquid_density = 780.0f;  // what the user enters, kg/m3
    QString warning;
    BuildFluidTables(*rec, FLUID_GAS_COMPOSITION, 0, 0, 0, 0, gas, warning);
    EXPECT_TRUE(warning.isEmpty()) << warning.toStdString();
    EXPECT_GT(rec->pvt.ROLST, 500.0f);  // a condensate liquid at standard conditions
    EXPECT_LT(rec->pvt.BETAST, 0.99999f);
}

TEST(FluidTables, refusals_name_the_reason_and_keep_the_library_out) {
    FluidComponent unknown;
    unknown.compid = "H2";
    unknown.name = "Hydrogen";
    unknown.fraction = 100;
    std::vector<FluidComponent> tooMany = Gas({{"C1", 100}});
    tooMany.resize(31, tooMany.front());
    std::vector<FluidComponent> noDensity = Gas({{"C1", 96}, {"C7+", 4}});
    struct Case {
        const char* what;
        int fluidClass;
        float waterCut;
        std::vector<FluidComponent> comps;
        unsigned id;
        QString warning;
    } cases[] = {
        {"unknown component",
         1,
         0,
         {unknown},
         16183,
         "Component Hydrogen is not known to the Release module"},
        {"31 components", 1, 0, tooMany, 16183, "Too many components specified (max ZEFR_NCOMP)"},
        {"density still to enter", 1, 0, noDensity, 16183,
         "Liquid density must be specified for component C7+"},
        {"fractions short of 100", 1, 0, Gas({{"C1", 50}}), 16183,
         "MOLE FRACTIONS DO NOT SUM UP TO 100%"},
        {"water cut refused by BLACKOIL", 0, 95, {}, 16124, "WATERCUT MUST BE BETWEEN 0 and 90 %"},
        {"unknown fluid class", 7, 0, {}, 16184, ""},
    };
    for (const Case& c : cases) {
        auto rec = OneBranchRecord();
        QString warning = "earlier. ";
        try {
            BuildFluidTables(*rec, c.fluidClass, 0.8f, 800.0f, 100.0f, c.waterCut, c.comps,
                             warning);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const ValidationError& e) {
            EXPECT_EQ(e.id, c.id) << c.what;
            EXPECT_EQ(e.xref, 0) << c.what;
        }
        EXPECT_EQ(warning, "earlier. " + c.warning) << c.what << ": " << warning.toStdString();
        EXPECT_EQ(rec->pvt.NP, 0) << c.what;  // no table was written
    }
}

TEST(FluidCatalogue, reader_skips_comments_and_malformed_lines) {
    QTemporaryDir dir;
    QFile f(dir.filePath("cat.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "# comment\n"
        "\n"
        "C1 4 16.043 - Methane\n"
        "C7+ 19 150 + Plus\n"
        "C8 13 114.232 702.5 Octane\n"
        "BAD 13 114.232 abc Octane\n"
        "SHORT 13 114.232\n"
        "X notanumber 1 - Y\n"
        "C9 14 128.259 717.6 Nonane");
    f.close();
    std::vector<FluidComponent> cat = ReadFluidCatalogue(f.fileName());
    ASSERT_EQ(cat.size(), 4u);
    EXPECT_EQ(cat[0].compid, "C1");
    EXPECT_EQ(cat[0].model_idx, 4);
    EXPECT_FALSE(cat[0].HasLiquidDensity());
    EXPECT_TRUE(cat[0].IsUsable());
    EXPECT_EQ(cat[1].liquid_density, -1.0f);
    EXPECT_FALSE(cat[1].IsUsable());  // the density must be entered first
    EXPECT_FLOAT_EQ(cat[2].liquid_density, 702.5f);
    EXPECT_EQ(cat[2].name, "Octane");
    EXPECT_EQ(cat[3].compid, "C9");
    for (const FluidComponent& c : cat) EXPECT_EQ(c.fraction, 0.0f);
    EXPECT_TRUE(ReadFluidCatalogue("").empty());
    EXPECT_TRUE(ReadFluidCatalogue(dir.filePath("missing.txt")).empty());
}

TEST(FluidModel, document_components_merge_over_the_catalogue_and_confirmation_keeps_usable_ones) {
    std::vector<FluidComponent> doc = Gas({{"C1", 90}, {"C7+", 10}});
    doc[1].mole_weight = 160.0f;
    doc[1].liquid_density = 790.0f;
    FluidComponent own;  // not in the catalogue
    own.compid = "MYC";
    own.model_idx = 22;
    own.mole_weight = 300;
    own.liquid_density = 850;
    own.fraction = 1;
    doc.push_back(own);
    const std::vector<FluidComponent> cat = Catalogue();
    std::vector<FluidComponent> rows = MergeWithCatalogue(cat, doc);
    ASSERT_EQ(rows.size(), cat.size() + 1);
    auto find = [&rows](const char* id) {
        return *std::find_if(rows.begin(), rows.end(),
                             [id](const FluidComponent& c) { return c.compid == id; });
    };
    EXPECT_EQ(find("C1").fraction, 90.0f);
    EXPECT_EQ(find("C7+").mole_weight, 160.0f);
    EXPECT_EQ(find("C7+").liquid_density, 790.0f);
    EXPECT_EQ(find("C7+").name, "Plus_fraction_C7+");  // the catalogue's own fields stay
    EXPECT_EQ(find("C2").fraction, 0.0f);
    EXPECT_EQ(rows.back().compid, "MYC");

    std::vector<FluidComponent> kept = ConfirmedComponents(rows);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].compid, "C1");
    EXPECT_EQ(kept[1].compid, "C7+");
    EXPECT_EQ(kept[2].compid, "MYC");
    rows = MergeWithCatalogue(cat, Gas({{"C1", 96}, {"C10+", 4}}));  // density still to be entered
    kept = ConfirmedComponents(rows);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].compid, "C1");
}

TEST(FluidModel, confirmation_by_fluid_class) {
    CBlackOilModel oil;
    FluidComponentList comps;
    CFluidModel fluid(oil, comps);
    EXPECT_FALSE(fluid.IsConfirmed(0));
    oil.Set(1, 2, 3, 4);
    EXPECT_TRUE(fluid.IsConfirmed(0));
    EXPECT_EQ(oil.water_cut, 4.0f);
    EXPECT_FALSE(fluid.IsConfirmed(1));
    comps.comps_confirmed = true;
    EXPECT_TRUE(fluid.IsConfirmed(1));
    EXPECT_FALSE(fluid.IsConfirmed(2));
}

}  // namespace
