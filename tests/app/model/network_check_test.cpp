// The library's discretisation, how the network check's messages show values,
// and the network check against the library at every limit.
#include "fluid_model.h"
#include "message_ids.h"
#include "network_builder.h"

#include <vexil/network_objects.h>
#include "network_check.h"
#include "system_settings.h"
#include "units.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

TEST(NetworkCheck, sections_per_pipe_as_the_library_cuts_them) {
    // max(2, INT(L/25) + 1) below 500 m, else 20 (hand values).
    const struct {
        float length;
        int sections;
    } cases[] = {{30, 2},      {49.9f, 2}, {50, 3},   {100, 5},  {450, 19},
                 {474.9f, 19}, {475, 20},  {499, 20}, {500, 20}, {5000, 20}};
    for (const auto& c : cases) EXPECT_EQ(release_pipe_sections(c.length), c.sections) << c.length;
}

TEST(NetworkCheck, values_are_shown_in_the_display_units_with_their_unit) {
    CSystemSettings settings;
    settings.Load(ORVANE_PROGRAM_DIR "Orvane", false);
    SetAppSettings(&settings);
    ASSERT_TRUE(LoadUnitTables());
    const struct {
        int units;
        const char* key;
        double value;
        const char* shown;
    } cases[] = {
        {0, "DIAMETER", 0.254, "254 mm"},
        {1, "DIAMETER", 0.254, "10 in"},
        {0, "PRESSURE", 100000, "1 bar"},
        {1, "PRESSURE", 100000, "14.5038 psi"},  // 1e5 / 6894.757
        {1, "LENGTH", 475, "1558.4 ft"},
        {0, "DISTANCE", INFINITY, "inf"},
        {1, "DISTANCE", std::nan(""), "nan"},
    };
    for (const auto& c : cases) {
        settings.SetDisplayUnits(c.units);
        EXPECT_EQ(network::DisplayValue(c.key, c.value).toStdString(), c.shown)
            << c.key << " " << c.value;
    }
    SetAppSettings(nullptr);
}

// The subsea limits of a pipeline: a bore of 2 m and a length of 2000 km
// pass, the next float past each is refused, and the message tells the value
// from the limit in both unit systems (78.7402 in against 78.74016 in).
TEST(NetworkCheck, subsea_limits_hold_at_the_limit_and_refuse_the_next_float) {
    ASSERT_TRUE(vexil_startup());
    CSystemSettings settings;
    settings.Load(ORVANE_PROGRAM_DIR "Orvane", false);
    SetAppSettings(&settings);
    ASSERT_TRUE(LoadUnitTables());
    const struct {
        const char* field;
        double limit;  // m
        unsigned id;
        double other;  // the other field's value
    } cases[] = {
        {"diameter", 2.0, IDS_PIPE_BORE_TOO_LARGE, 1000.0},
        {"length", 2.0e6, IDS_PIPELINE_TOO_LONG, 0.254},
    };
    for (const auto& c : cases) {
        for (bool past : {false, true}) {
            const double value = past ? double(std::nextafter(float(c.limit), INFINITY)) : c.limit;
            model_test::Network net;
            const bool bore = std::string(c.field) == "diameter";
            diagram_object* pipe = net.Add("Pipeline", {{"length", bore ? c.other : value},
                                                        {"diameter", bore ? value : c.other},
                                                        {"roughness", 5e-5},
                                                        {"heat_trans_coeff", 0},
                                                        {"amb_temp", 5}});
            ASSERT_NE(pipe, nullptr);
            // Set whole: the builder's file text keeps 6 digits.
            (bore ? as_pipeline(pipe)->diameter : as_pipeline(pipe)->length) = value;
            for (int units : {0, 1}) {
                settings.SetDisplayUnits(units);
                SCOPED_TRACE(std::string(c.field) + (past ? " just past" : " at the limit") +
                             ", units " + std::to_string(units));
                try {
                    network::CheckSubseaLimits(pipe);
                    EXPECT_FALSE(past);
                } catch (const ValidationError& e) {
                    EXPECT_TRUE(past);
                    EXPECT_EQ(e.id, c.id);
                    EXPECT_EQ(e.xref, pipe->xref);
                    ASSERT_EQ(e.args.size(), 2u);
                    EXPECT_NE(e.args[0], e.args[1]) << e.args[0].toStdString();
                }
            }
        }
    }
    // Worked by hand: 2 m = 78.740157 in, the next float 2.00000024 m =
    // 78.740167 in; 7 digits tell them apart.
    settings.SetDisplayUnits(1);
    const std::vector<QString> shown =
        network::DisplayValues("DIAMETER", {double(std::nextafter(2.0f, 3.0f)), 2.0});
    EXPECT_EQ(shown, (std::vector<QString>{"78.74017 in", "78.74016 in"}));
    settings.SetDisplayUnits(0);
    EXPECT_EQ(network::DisplayValues("PRESSURE", {1.0e5, 2.0e5}),
              (std::vector<QString>{"1 bar", "2 bar"}));
    SetAppSettings(nullptr);
}

// The network check against the real library at each limit of the library's
// start-of-run checks: the limit itself and the next value past it go through
// both, and both accept the one and refuse the other. The library's verdict
// is its answer to a run stopped at its first progress call (IERR 9999: every
// start check passed).
class LibraryAgreement : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        settings = new CSystemSettings;
        settings->Load(ORVANE_PROGRAM_DIR "Orvane", false);
        SetAppSettings(settings);
        ASSERT_TRUE(LoadUnitTables());
    }
    static void TearDownTestSuite() {
        SetAppSettings(nullptr);
        delete settings;
        settings = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    struct Verdicts {
        bool check;    // the network check accepts
        bool library;  // the library passes its start checks
        unsigned id;   // the check's refusal
        int xref;      // the object it names
        std::string libraryText;
        std::vector<QString> args;  // the values its message shows
    };

    Verdicts Run(const orvane::ReleaseInput& in, const network::LeakPlace& place, float tuser) {
        Verdicts v{true, false, 0, 0, {}, {}};
        try {
            network::CheckLibraryLimits(in, place, tuser);
            network::CheckPropertyTableRange(in);
        } catch (const ValidationError& e) {
            v.check = false;
            v.id = e.id;
            v.xref = e.xref;
            v.args = e.args;
        }
        orvane::ReleaseInput copy = in;
        ReleaseControl ctl{};
        ctl.TUSER = tuser;
        DischargeSummary summary{};
        ReleaseProgressFn stop = [](int32_t) -> int32_t { return 1; };
        const QByteArray path = QFile::encodeName(dir.filePath("case.$$$"));
        int32_t ierr = -1;
        char msg[257] = {};
        RELEASE(copy.NetHeader(), copy.BranchData(), copy.BoundaryData(), copy.LeakData(),
                copy.PvtBlock(), &ctl, &summary, path.constData(), int32_t(path.size()), &stop,
                &ierr, msg, 256);
        v.library = ierr == 9999;
        v.libraryText = QString::fromLatin1(msg, 256).trimmed().toStdString();
        return v;
    }

    static CSystemSettings* settings;
    QTemporaryDir dir;
};
CSystemSettings* LibraryAgreement::settings = nullptr;

// One branch from an inlet, horizontal pipes of the given lengths (the first
// at the inlet), 10 in bore, the default black oil's tables; the leak at
// leakAt m along the branch. Object numbers: pipes 10, 11, ...; inlet 2,
// outlet 3, leak 4.
struct Line {
    orvane::ReleaseInput in;
    network::LeakPlace place;
    float tuser = 600.0f;

    Line(std::initializer_list<float> lengths, float leakAt) {
        in.net.NBR = 1;
        BRREC& b = in.br[0];
        float x = 0.0f;
        for (float l : lengths) x -= l;
        b.XBR0 = x;
        b.ZBR0 = -100.0f;
        double along = 0.0;
        for (float l : lengths) {
            PIPSEG& p = b.PIPE[b.NPIPE];
            p.DIAM = 0.254f;
            p.ROUGH = 5e-5f;
            p.HTC = 20.0f;
            p.TAMB = 4.0f;
            p.XSTA = x;
            p.XEND = x += l;
            p.ZSTA = p.ZEND = -100.0f;
            in.segment_obj[0][b.NPIPE] = 10 + b.NPIPE;
            if (place.segment < 0 && leakAt <= along + l) {
                place.branch = 0;
                place.segment = b.NPIPE;
                place.distance = leakAt - along;
                place.pipelineLength = l;
            }
            along += l;
            ++b.NPIPE;
        }
        in.bnd.QIN[0] = 10.0f;
        in.bnd.TIN[0] = 50.0f;
        in.bnd.TCLIN[0] = -1.0f;
        in.bnd.POUT = 2.0e6f;
        in.bnd.TCLOUT = -1.0f;
        in.inlet_obj[0] = 2;
        in.outlet_obj = 3;
        in.lek.LEKBR = 1;
        in.lek.LEKX = leakAt;
        in.lek.LEKDIA = 0.05f;
        in.lek.LEKPB = 1.2e6f;
        in.leak_obj = 4;
        CBlackOilModel oil;
        int32_t ierr = 0;
        char msg[257] = {};
        BLACKOIL(&oil.gas_density, &oil.oil_density, &oil.gas_oil_ratio, &oil.water_cut, &in.pvt,
                 &ierr, msg, 256);
        EXPECT_EQ(ierr, 0) << msg;
    }
};

float below(float x) { return std::nextafter(x, -INFINITY); }
float above(float x) { return std::nextafter(x, INFINITY); }

// The smallest float at or above start for which accept() holds, when it does
// not hold for start and holds for end.
template <class F>
float firstAccepted(float lo, float hi, F accept) {
    while (above(lo) < hi) {
        const float mid = lo + (hi - lo) / 2;
        if (mid <= lo || mid >= hi) break;
        (accept(mid) ? hi : lo) = mid;
    }
    return hi;
}

struct Limit {
    const char* name;
    std::function<void(Line&)> accepted;  // at the limit
    std::function<void(Line&)> refused;   // just past it
    unsigned id;
    int xref;
    // The value refused is the bound its message names ("below %3").
    bool refusedAtBound = false;
};

TEST_F(LibraryAgreement, each_limit_is_accepted_and_the_next_value_refused_by_both) {
    // The hole of the smallest opening, 1.0E-6 m2 = 0.7854 d^2 (d = 1.12838 mm),
    // found on the float grid.
    const float smallest = firstAccepted(1.0e-3f, 1.5e-3f, [](float d) {
        return 0.7854f * d * d >= static_cast<float>(RELEASE_SMALLEST_OPENING);
    });
    EXPECT_NEAR(smallest, 1.12838e-3f, 1e-8f);
    // The lowest outlet pressure: 1.1 p >= 2 bar, p = 1.81818 bar.
    const float lowestOutlet =
        firstAccepted(1.8e5f, 1.9e5f, [](float p) { return 1.1f * p >= 2.0e5f; });
    EXPECT_NEAR(lowestOutlet, 181818.18f, 0.02f);
    const float highestOutlet =
        below(firstAccepted(9.0e7f, 9.2e7f, [](float p) { return !(1.1f * p < 1.0e8f); }));
    EXPECT_NEAR(highestOutlet, 90909090.9f, 8.0f);
    // The default black oil's grid runs from -30 to 200 C with neighbours
    // 0 and 130 C: the tables serve -45 to 235 C.
    const float coldest = -45.0f, warmest = 235.0f;

    const Limit limits[] = {
        {"back pressure of exactly 1 bar", [](Line& l) { l.in.lek.LEKPB = 1.0e5f; },
         [](Line& l) { l.in.lek.LEKPB = below(1.0e5f); }, IDS_BACK_PRESSURE_TOO_LOW, 4},
        {"end time of 10 minutes", [](Line& l) { l.tuser = 600.0f; },
         [](Line& l) { l.tuser = below(600.0f); }, IDS_END_TIME_OUT_OF_RANGE, 0},
        // The boundary tables end 1.0E7 s into the simulation, the leak opens
        // at 11400 s.
        {"end time at the tables' end", [](Line& l) { l.tuser = 9988600.0f; },
         [](Line& l) { l.tuser = above(9988600.0f); }, IDS_END_TIME_OUT_OF_RANGE, 0},
        {"smallest hole", [&](Line& l) { l.in.lek.LEKDIA = smallest; },
         [&](Line& l) { l.in.lek.LEKDIA = below(smallest); }, IDS_LEAK_BELOW_SMALLEST_HOLE, 4},
        {"full-bore hole", [](Line& l) { l.in.lek.LEKDIA = 0.254f; },
         [](Line& l) { l.in.lek.LEKDIA = above(0.254f); }, IDS_LEAK_LARGER_THAN_PIPE, 4},
        {"roughness of half the bore", [](Line& l) { l.in.br[0].PIPE[1].ROUGH = 0.127f; },
         [](Line& l) { l.in.br[0].PIPE[1].ROUGH = above(0.127f); },
         IDS_ROUGHNESS_ABOVE_HALF_DIAMETER, 11},
        {"roughness of 0", [](Line& l) { l.in.br[0].PIPE[0].ROUGH = 0.0f; },
         [](Line& l) { l.in.br[0].PIPE[0].ROUGH = below(0.0f); }, IDS_ROUGHNESS_NEGATIVE, 10},
        {"leak at the branch's start", [](Line& l) { l.in.lek.LEKX = -0.001f; },
         [](Line& l) { l.in.lek.LEKX = below(-0.001f); }, IDS_LEAK_OUTSIDE_PIPELINE, 4},
        {"lowest outlet pressure", [&](Line& l) { l.in.bnd.POUT = lowestOutlet; },
         [&](Line& l) { l.in.bnd.POUT = below(lowestOutlet); }, IDS_OUTLET_PRESSURE_OUT_OF_RANGE,
         3},
        {"highest outlet pressure", [&](Line& l) { l.in.bnd.POUT = highestOutlet; },
         [&](Line& l) { l.in.bnd.POUT = above(highestOutlet); }, IDS_OUTLET_PRESSURE_OUT_OF_RANGE,
         3, true},
        // The default black oil's last pressure is 1500 bar: 2250 bar served.
        {"highest back pressure", [](Line& l) { l.in.lek.LEKPB = 2.25e8f; },
         [](Line& l) { l.in.lek.LEKPB = above(2.25e8f); }, IDS_BACK_PRESSURE_ABOVE_TABLES, 4},
        {"coldest ambient", [&](Line& l) { l.in.br[0].PIPE[0].TAMB = coldest; },
         [&](Line& l) { l.in.br[0].PIPE[0].TAMB = below(coldest); }, IDS_TEMPERATURE_OUTSIDE_TABLES,
         10},
        {"warmest ambient", [&](Line& l) { l.in.br[0].PIPE[1].TAMB = warmest; },
         [&](Line& l) { l.in.br[0].PIPE[1].TAMB = above(warmest); }, IDS_TEMPERATURE_OUTSIDE_TABLES,
         11},
        {"coldest inlet", [&](Line& l) { l.in.bnd.TIN[0] = coldest; },
         [&](Line& l) { l.in.bnd.TIN[0] = below(coldest); }, IDS_TEMPERATURE_OUTSIDE_TABLES, 2},
        {"warmest inlet", [&](Line& l) { l.in.bnd.TIN[0] = warmest; },
         [&](Line& l) { l.in.bnd.TIN[0] = above(warmest); }, IDS_TEMPERATURE_OUTSIDE_TABLES, 2},
    };
    for (const Limit& c : limits) {
        for (bool past : {false, true}) {
            Line line({1000.0f, 1000.0f}, 1500.0f);
            (past ? c.refused : c.accepted)(line);
            const Verdicts v = Run(line.in, line.place, line.tuser);
            const std::string what = std::string(c.name) + (past ? ", just past" : "");
            EXPECT_EQ(v.check, !past) << what;
            EXPECT_EQ(v.library, !past) << what << ": " << v.libraryText;
            if (past) {
                EXPECT_EQ(v.id, c.id) << what;
                EXPECT_EQ(v.xref, c.xref) << what;
                // In both unit systems the message tells the value from the
                // limit it is past.
                for (int units : {0, 1}) {
                    if (c.refusedAtBound) break;
                    settings->SetDisplayUnits(units);
                    const Verdicts shown = Run(line.in, line.place, line.tuser);
                    for (size_t i = 0; i < shown.args.size(); ++i)
                        for (size_t j = i + 1; j < shown.args.size(); ++j)
                            EXPECT_NE(shown.args[i], shown.args[j])
                                << what << ", units " << units << ": "
                                << QStringList(shown.args.begin(), shown.args.end())
                                       .join(" | ")
                                       .toStdString();
                }
                settings->SetDisplayUnits(0);
            }
        }
    }
}

// The far end of the leak's branch: the library's own counted length, found
// on the float grid from the library's verdicts, and the network check
// agreeing at it and one step beyond.
TEST_F(LibraryAgreement, leak_at_the_branch_end_is_placed_alike) {
    auto at = [&](float x) {
        Line line({1000.0f, 1000.0f}, 1500.0f);
        line.in.lek.LEKX = x;
        line.place.distance = x - 1000.0;
        return Run(line.in, line.place, line.tuser);
    };
    const float end =
        below(firstAccepted(1999.0f, 2001.0f, [&](float x) { return !at(x).library; }));
    // 2000 m of sections plus the 1 mm the library allows beyond them.
    EXPECT_NEAR(end, 2000.001f, 2e-4f);
    const Verdicts last = at(end), past = at(above(end));
    EXPECT_TRUE(last.library && last.check);
    EXPECT_FALSE(past.library);
    EXPECT_FALSE(past.check);
    EXPECT_EQ(past.id, IDS_LEAK_OUTSIDE_PIPELINE);
}

// 199 sections are the most the library takes: nine pipes of 1 km take 20
// each, the inlet and end sections one each, and a tenth pipe of 420 m 17
// (INT(420/25) + 1); at 430 m it takes 18, 200 in all.
TEST_F(LibraryAgreement, the_199th_section_is_accepted_and_the_200th_refused) {
    for (float last : {420.0f, 430.0f}) {
        Line line({last, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000}, 5000.0f);
        const Verdicts v = Run(line.in, line.place, line.tuser);
        const bool fits = last == 420.0f;
        EXPECT_EQ(v.check, fits) << last;
        EXPECT_EQ(v.library, fits) << last << ": " << v.libraryText;
        if (!fits) {
            EXPECT_EQ(v.id, IDS_TOO_MANY_SECTIONS);
        }
    }
}

// A branch of two bores: the hole is measured against the pipe it is in,
// whichever of the two that is.
TEST_F(LibraryAgreement, the_hole_is_held_against_its_own_pipe_of_a_two_bore_branch) {
    const struct {
        float first, second;  // bores, the leak in the second pipe
        float hole;
        bool accepted;
    } cases[] = {
        {0.3f, 0.254f, 0.28f, false},  // on the narrow pipe, wider than it
        {0.254f, 0.3f, 0.28f, true},   // on the wide pipe, wider than the other
        {0.3f, 0.254f, 0.254f, true},  // full bore of the narrow pipe
    };
    for (const auto& c : cases) {
        Line line({1000.0f, 1000.0f}, 1500.0f);
        line.in.br[0].PIPE[0].DIAM = c.first;
        line.in.br[0].PIPE[1].DIAM = c.second;
        line.in.lek.LEKDIA = c.hole;
        const Verdicts v = Run(line.in, line.place, line.tuser);
        EXPECT_EQ(v.check, c.accepted) << c.first << " " << c.second << " " << c.hole;
        EXPECT_EQ(v.library, c.accepted) << v.libraryText;
        if (!c.accepted) {
            EXPECT_EQ(v.id, IDS_LEAK_LARGER_THAN_PIPE);
        }
    }
}

}  // namespace
