// The row sampler on a small synthetic state: every curve reads its
// variable at its stored cell (boundary, section, entry or branch number),
// with the scaling of its unit. Expected values are worked by hand in the
// comments from the numbers set here, never from the sampler's own output.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "output/plot.h"
#include "release/output/synthetic_network.h"
#include "run/routines.h"
#include "run/state.h"

using namespace rel;

namespace {

// One branch of 20 sections of 10 m and 0.05 m2 (the synthetic network),
// leak 1 in section 8, choke 1 in section 12, source 1 in section 2 and
// valve source 1 in section 5.
void synthetic_state() {
    test::make_network({{0, 20}}, 1, 7);
    Secvar& V = SECVAR;
    Equipm& E = EQUIPM;
    Lekres& L = LEKRES;
    V.UO(4) = 0.35f;
    V.QT(6) = -0.125f;  // as stored: the file keeps the direction
    V.QLT(6) = 0.02f;
    V.GLT(6) = 3.5f;
    V.GL(6) = 3.0f;
    V.GG(6) = 1.25f;
    V.GD(6) = 0.5f;
    V.PSID(7) = 0.003f;
    V.PSIE(7) = 0.004f;
    V.QM(9) = -150.0f;
    V.DTM(9) = -0.02f;
    V.DRLT(9) = -0.7f;
    V.DRGT(9) = -0.15f;
    V.Q2(9) = 12.0f;
    V.RMTOT0 = 2000.0;
    V.RMTOT = 2010.0;
    V.RMOUT = 45.0;
    V.RMLGT = 1990.0;
    V.RETOT0 = 5.0e8;
    V.RETOT = 4.9e8;
    V.RELGT = 5.2e8;
    V.QGACC(6, 1) = 80.0;
    V.QGACC(6, 2) = 8.0;
    V.QLACC(6, 1) = 3.0;
    V.QLACC(6, 2) = 0.3;
    V.QTACC(6, 1) = 83.0;
    V.QTACC(6, 2) = 8.3;
    V.SRVACC(1, 1) = 12.0;
    V.SRVACC(1, 2) = 1.2;
    V.SRGACC(1, 1) = 600.0;
    V.SRLACC(1, 2) = 70.0;
    V.SRTACC(1, 1) = 1500.0;
    V.SRTACC(1, 2) = 150.0;
    V.BRMIN(1, 1, 1) = 11.0;  // gas in, first set
    V.BRMIN(1, 1, 2) = 22.0;  // liquid in
    V.BRMIN(1, 1, 3) = 33.0;  // total in
    V.BRMIN(1, 2, 3) = 3.3;   // total in, second set
    V.BRMOUT(1, 1, 1) = 44.0;
    V.BRMOUT(1, 2, 2) = 5.5;
    // leak 1 in section 8
    L.HLEAK(1) = -2.0e5f;  // W/m3, out of the pipe negative
    L.PTLEAK(1) = 1.2e6f;
    L.DWGLK(1) = 4.0e-5f;
    L.DWLLK(1) = 6.0e-5f;
    L.ACGM(1) = 321.5;
    L.ACLM(1) = 678.25;
    // choke 1 in section 12
    E.NCHKL = 1;
    E.ICHSEC(1) = 12;
    E.ICHMAP(12) = 1;
    E.PCHOKE(1) = 3.0e6f;
    E.TCHOKE(1) = 41.0f;
    E.UCHOKE(1) = -55.0f;
    E.WCHOKE(1) = -900.0f;
    // source 1 in section 2
    E.NSOUR = 1;
    E.ISOUR(1) = 2;
    E.HSOUR(1) = 1.0e4f;
    E.TSRCUR(1) = 63.0f;
    // valve source 1 in section 5
    E.NVSRC = 1;
    E.IVSSEC(1) = 5;
    E.WGSOVA(1) = -20.0f;
    E.WLSOVA(1) = -60.0f;
    E.HSOVA(1) = 3.0e3f;
    E.PTSOVA(1) = 2.5e6f;
    E.TMSOVA(1) = 15.0f;
    E.DWGSV(1) = 2.0e-5f;
    E.DWLSV(1) = 3.0e-5f;
    E.GTSOVA(1) = -4.0f;
}

struct Case {
    const char* what;
    int32_t id, cell;
    double want;
};

// Area 0.05 m2 and length 10 m everywhere, so a section holds 0.5 m3.
const Case CASES[] = {
    {"B slip velocity", 6, 4, 0.35},
    {"B total volume flow keeps its sign", 10, 6, -0.125},
    {"B liquid volume flow", 11, 6, 0.02},
    {"B liquid mass flow", 24, 6, 3.5},
    {"B bulk liquid mass flow", 25, 6, 3.0},
    {"B gas mass flow", 26, 6, 1.25},
    {"B droplet mass flow", 27, 6, 0.5},
    {"B deposition", 29, 7, 0.003},
    {"B entrainment", 30, 7, 0.004},
    {"S heat flow", 79, 9, -150.0},
    {"S temperature rate", 84, 9, -0.02},
    {"S liquid density slope", 88, 9, -0.7},
    {"S gas density slope", 89, 9, -0.15},
    {"S second heat flow", 90, 9, 12.0},
    {"initial total mass", 36, 0, 2000.0},
    {"total mass", 37, 0, 2010.0},
    {"released at the outlet", 39, 0, 45.0},
    {"mass in the pipes", 125, 0, 1990.0},
    {"energy in the pipes", 128, 0, 5.2e8},
    {"mass error: 100 (2010 - 2000) / 2000", 126, 0, 0.5},
    {"mass change: 100 (1990 - 2000) / 2000", 127, 0, -0.5},
    {"energy error: 100 (4.9e8 - 5e8) / 5e8", 129, 0, -2.0},
    {"energy change: 100 (5.2e8 - 5e8) / 5e8", 130, 0, 4.0},
    {"choke pressure, cell 12 -> choke 1", 50, 12, 3.0e6},
    {"choke temperature", 51, 12, 41.0},
    {"choke velocity", 52, 12, -55.0},
    {"choke mass flux as stored", 53, 12, -900.0},
    {"leak power: -2e5 W/m3 x 0.5 m3", 103, 8, -1.0e5},
    {"leak back pressure", 104, 8, 1.2e6},
    {"leak gas slope x area: 4e-5 x 0.05", 105, 8, 2.0e-6},
    {"leak liquid slope x area: 6e-5 x 0.05", 106, 8, 3.0e-6},
    {"leak accumulated gas", 107, 8, 321.5},
    {"leak accumulated liquid", 108, 8, 678.25},
    {"gas volume through boundary 6, first set", 118, 6, 80.0},
    {"the same, second set", 119, 6, 8.0},
    {"liquid volume, first set", 120, 6, 3.0},
    {"liquid volume, second set", 121, 6, 0.3},
    {"total volume, first set", 122, 6, 83.0},
    {"total volume, second set", 123, 6, 8.3},
    {"source power: 1e4 W/m3 x 0.5 m3", 137, 1, 5.0e3},
    {"source temperature", 138, 1, 63.0},
    {"source volume, first set", 143, 1, 12.0},
    {"source volume, second set", 144, 1, 1.2},
    {"source gas mass, first set", 145, 1, 600.0},
    {"source liquid mass, second set", 148, 1, 70.0},
    {"source total mass, first set", 149, 1, 1500.0},
    {"source total mass, second set", 161, 1, 150.0},
    {"valve gas flow: -20 x 0.05", 150, 1, -1.0},
    {"valve liquid flow: -60 x 0.05", 151, 1, -3.0},
    {"valve power: 3e3 W/m3 x 0.5 m3", 152, 1, 1.5e3},
    {"valve outside pressure", 153, 1, 2.5e6},
    {"valve outside temperature", 154, 1, 15.0},
    {"valve gas slope x area", 155, 1, 1.0e-6},
    {"valve liquid slope x area", 156, 1, 1.5e-6},
    {"valve total flow", 157, 1, -4.0},
    {"branch total in, second set", 184, 1, 3.3},
    {"branch liquid out, second set", 187, 1, 5.5},
    {"branch total in, first set", 190, 1, 33.0},
    {"branch gas in, first set", 197, 1, 11.0},
    {"branch gas out, first set", 198, 1, 44.0},
    {"branch liquid in, first set", 199, 1, 22.0},
};

constexpr double REL_TOL = 2e-6;  // single-precision sample of a double or float product

}  // namespace

TEST(ResultSampler, every_wired_variable_reads_its_hand_value) {
    synthetic_state();
    for (const Case& c : CASES) {
        PLTCTL.NCURV = 1;
        PLTCTL.IVCURV(1) = c.id;
        PLTCTL.NPCURV(1) = 1;
        PLTCTL.IPCURV(1, 1) = c.cell;
        PLTCTL.VCURV(1) = -777.0f;  // a stale sample that must be replaced
        sample_curves();
        EXPECT_NEAR(PLTCTL.VCURV(1), c.want, std::fabs(c.want) * REL_TOL + 1e-12)
            << c.what << " (id " << c.id << ")";
    }
}

TEST(ResultSampler, no_entry_at_the_cell_keeps_the_previous_sample) {
    synthetic_state();
    SECVAR.RMTOT0 = 0.0;  // no initial total: the percentages read 0
    struct Stale {
        int32_t id, cell;
        float want;
    };
    const Stale rows[] = {
        {50, 11, -777.0f},    // no choke in section 11
        {103, 9, -777.0f},    // no leak in section 9
        {137, 11, -777.0f},   // beyond the source entries
        {118, 201, -777.0f},  // beyond the boundaries
        {143, 11, -777.0f},   // beyond the source entries
        {184, 16, -777.0f},   // beyond the branches
        {126, 0, 0.0f},      {127, 0, 0.0f},
    };
    int32_t k = 0;
    for (const Stale& r : rows) {
        ++k;
        PLTCTL.IVCURV(k) = r.id;
        PLTCTL.NPCURV(k) = 1;
        PLTCTL.IPCURV(1, k) = r.cell;
        PLTCTL.VCURV(k) = -777.0f;
    }
    PLTCTL.NCURV = k;
    sample_curves();
    k = 0;
    for (const Stale& r : rows) {
        ++k;
        EXPECT_EQ(PLTCTL.VCURV(k), r.want) << "id " << r.id << " at " << r.cell;
    }
}

// The sampler serves exactly these ids; every other id keeps the previous
// sample of its curve.
TEST(ResultSampler, served_ids_replace_the_sample_and_the_others_keep_it) {
    auto served = [](int32_t id) {
        auto in = [id](int32_t a, int32_t b) { return id >= a && id <= b; };
        return in(2, 30) || in(36, 41) || in(43, 45) || in(49, 54) || in(59, 69) || in(72, 92) ||
               id == 95 || in(98, 113) || id == 115 || in(118, 123) || in(125, 133) ||
               in(135, 138) || in(143, 157) || id == 161 || id == 166 || in(184, 191) ||
               in(197, 200);
    };
    // A cell that holds an item for every family: boundary/section 8 is
    // the leak's section, choke 1 sits in section 8 too, entry and branch 1.
    auto cell_for = [](int32_t id) {
        if ((id >= 135 && id <= 161) || id == 49) return 1;
        if ((id >= 184 && id <= 200) || id == 38 || id == 41 || id == 59 || id == 60) return 1;
        return 8;
    };
    int32_t count = 0;
    for (int32_t id = 1; id <= MXVAR; ++id) {
        synthetic_state();
        EQUIPM.ICHMAP(8) = 1;
        PLTCTL.NCURV = 1;
        PLTCTL.IVCURV(1) = id;
        PLTCTL.NPCURV(1) = 1;
        PLTCTL.IPCURV(1, 1) = cell_for(id);
        PLTCTL.VCURV(1) = -777.0f;
        sample_curves();
        const bool replaced = PLTCTL.VCURV(1) != -777.0f;
        EXPECT_EQ(replaced, served(id)) << "id " << id;
        count += replaced;
    }
    EXPECT_EQ(count, 142);  // the size of the served list above, counted by hand
}
