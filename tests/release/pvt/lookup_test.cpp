#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "pvt/pvt.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"

using namespace rel;

namespace {

// A block on a small uneven grid whose every table k is bilinear in P and T:
// t = k + 0.01 k T + 1e-7 P + 1e-9 k T P (table 7 kept inside 0..1).
PVTBLK bilinear_block() {
    PVTBLK b{};
    b.NP = 5;
    b.NT = 4;
    const float P[5] = {1.0e5f, 1.0e6f, 3.0e6f, 6.0e6f, 1.0e7f};
    const float T[4] = {-10.0f, 10.0f, 40.0f, 100.0f};
    for (int i = 0; i < 5; ++i) b.P[i] = P[i];
    for (int j = 0; j < 4; ++j) {
        b.T[j] = T[j];
        b.PBUB[j] = 2.0e21f;
    }
    for (int k = 1; k <= 16; ++k)
        for (int i = 0; i < 20; ++i)
            for (int j = 0; j < 20; ++j) {
                double p = i < 5 ? P[i] : 0.0, t = j < 4 ? T[j] : 0.0;
                b.TAB[k - 1][i][j] =
                    static_cast<float>(k + 0.01 * k * t + 1e-7 * p + 1e-9 * k * t * p);
            }
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j) b.TAB[6][i][j] = 0.05f + 0.001f * T[j] + 5e-8f * P[i];
    return b;
}

double exact(int k, double p, double t) {
    if (k == 7) return 0.05 + 0.001 * t + 5e-8 * p;
    return k + 0.01 * k * t + 1e-7 * p + 1e-9 * k * t * p;
}

struct Lookup {
    PvtOut o{};
    int32_t below = 7, ierr = 0;
    std::string msg;
};

Lookup lookup(float p, float t, int32_t check = TRUE_, int32_t mode = 0) {
    Lookup r;
    char buf[MSGLEN];
    setmsg(buf, MSGLEN, "");
    int32_t it = TBLOC(t, PVTCOM.TT.data(), PVTCOM.NT, 2);
    int32_t ip = TBLOC(p, PVTCOM.PP.data(), PVTCOM.NP, 2);
    PVTLUP(it, ip, p, t, r.o, check, r.below, mode, r.ierr, buf, MSGLEN);
    r.msg = msgtext(buf, MSGLEN);
    return r;
}

class PvtLookup : public testing::Test {
protected:
    void SetUp() override {
        INICOM();
        UNPACK(bilinear_block());
    }
};

}  // namespace

TEST_F(PvtLookup, UnpackPutsEachTableInItsSlot) {
    PVTBLK b = bilinear_block();
    EXPECT_EQ(PVTCOM.MODE, 2);
    EXPECT_FLOAT_EQ(PVTCOM.RDP(2), 1.0f / 2.0e6f);
    EXPECT_FLOAT_EQ(PVTCOM.RDT(3), 1.0f / 60.0f);
    const int slot_table[16] = {10, 11, 7, 3, 5, 4, 6, 12, 13, 1, 2, 16, 14, 15, 8, 9};
    for (int s = 1; s <= 16; ++s)
        EXPECT_EQ(PVTCOM.TAB(3, 4, s), b.TAB[slot_table[s - 1] - 1][3][2]) << "slot " << s;
    EXPECT_EQ(PVTCOM.TAB(3, 4, Pvtcom::KROG), b.TAB[0][3][2]);
    EXPECT_EQ(PVTCOM.TAB(2, 2, 17), 0.0f);
    EXPECT_EQ(PVTCOM.TAB(2, 2, 18), 0.0f);
}

TEST_F(PvtLookup, UnpackShiftsBothEnthalpiesByTheMostNegativeUsedValue) {
    PVTBLK b = bilinear_block();
    b.TAB[12][1][2] = -500.0f;     // liquid enthalpy at (P2, T3)
    b.TAB[11][19][19] = -9999.0f;  // outside the used grid: ignored
    UNPACK(b);
    EXPECT_EQ(PVTCOM.TAB(3, 2, Pvtcom::KHL), 0.0f);
    EXPECT_FLOAT_EQ(PVTCOM.TAB(1, 1, Pvtcom::KHG), b.TAB[11][0][0] + 500.0f);
    EXPECT_EQ(PVTCOM.TAB(20, 20, Pvtcom::KHG), -9999.0f);
}

TEST_F(PvtLookup, BilinearTableIsReproducedExactly) {
    // float tables: relative 1e-5
    const float pts[][2] = {{1.0e5f, -10.0f}, {5.5e5f, 0.0f},  {2.2e6f, 33.3f},  {9.9e6f, 99.0f},
                            {6.0e6f, 40.0f},  {3.0e6f, 10.0f}, {1.4e7f, 120.0f}, {6.0e4f, -15.0f}};
    for (const auto& pt : pts) {
        Lookup r = lookup(pt[0], pt[1], FALSE_);
        ASSERT_EQ(r.ierr, 0) << r.msg;
        SCOPED_TRACE(testing::Message() << pt[0] << " " << pt[1]);
        EXPECT_NEAR(r.o.ROG / exact(1, pt[0], pt[1]), 1.0, 1e-5);
        EXPECT_NEAR(r.o.ROL / exact(2, pt[0], pt[1]), 1.0, 1e-5);
        EXPECT_NEAR(r.o.VISG / exact(8, pt[0], pt[1]), 1.0, 1e-5);
        EXPECT_NEAR(r.o.HG / exact(12, pt[0], pt[1]), 1.0, 1e-5);
        EXPECT_NEAR(r.o.SIG / exact(16, pt[0], pt[1]), 1.0, 1e-5);
        EXPECT_NEAR(r.o.RS / exact(7, pt[0], pt[1]), 1.0, 1e-5);
        // derivatives of the bilinear forms
        EXPECT_NEAR(r.o.DHGP / (1e-7 + 1e-9 * 12 * pt[1]), 1.0, 1e-3);
        EXPECT_NEAR(r.o.DRST / 0.001, 1.0, 1e-3);
        EXPECT_NEAR(r.o.DRSP / 5e-8, 1.0, 1e-3);
    }
}

TEST_F(PvtLookup, GridNodeReturnsTheNodeValue) {
    PVTBLK b = bilinear_block();
    Lookup r = lookup(3.0e6f, 40.0f);
    EXPECT_EQ(r.o.CPG, b.TAB[9][2][2]);
    EXPECT_EQ(r.o.CONL, b.TAB[14][2][2]);
}

TEST_F(PvtLookup, SixMessagesAtTheirInclusiveLimits) {
    // P range 0.5 P(1) .. 1.5 P(NP) = 5e4 .. 1.5e7; T range 1.5(-10) - 0.5(10)
    // = -20 .. 1.5(100) - 0.5(40) = 130.
    struct Case {
        float p, t;
        const char* msg;
    };
    const Case cases[] = {
        {5.0e4f, 20.0f, ""},
        {4.99e4f, 20.0f, "PRESSURE TOO LOW."},
        {1.5e7f, 20.0f, ""},
        {1.501e7f, 20.0f, "PRESSURE TOO HIGH."},
        {1.0e6f, -20.0f, ""},
        {1.0e6f, -20.01f, "TEMPERATURE TOO LOW: -20.01 C, BELOW THE PROPERTY TABLES' LOWEST -20 C"},
        {1.0e6f, 130.0f, ""},
        {1.0e6f, 130.01f,
         "TEMPERATURE TOO HIGH: 130.01 C, ABOVE THE PROPERTY TABLES' HIGHEST 130 C"},
        {std::nanf(""), 20.0f, "PRESSURE TOO HIGH."},
    };
    for (const Case& c : cases) {
        Lookup r = lookup(c.p, c.t);
        SCOPED_TRACE(testing::Message() << c.p << " " << c.t);
        EXPECT_EQ(r.ierr, c.msg[0] ? 1 : 0);
        EXPECT_EQ(r.msg, c.msg);
        if (c.msg[0]) {
            EXPECT_EQ(r.o.ROG, 0.0f) << "an error wrote outputs";
        }
    }
}

TEST_F(PvtLookup, NoTableCopyIsRefusedNotRead) {
    PVTCOM.NP = 0;
    Lookup r = lookup(1.0e6f, 20.0f);
    EXPECT_EQ(r.ierr, 1);
    EXPECT_EQ(r.msg, "PROPERTY TABLES ARE NOT SET UP");
}

TEST_F(PvtLookup, TolerantModeExtrapolatesBelowTheRange) {
    Lookup r = lookup(1.0e4f, 20.0f, FALSE_);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.below, -1);
    EXPECT_NEAR(r.o.ROG / exact(1, 1.0e4, 20.0), 1.0, 1e-5);
    Lookup ok = lookup(2.0e5f, 20.0f, FALSE_);
    EXPECT_EQ(ok.below, 0);
}

TEST_F(PvtLookup, ModeTwoWritesOnlyTheGasFraction) {
    Lookup r;
    r.o.ROG = -1.0f;
    r.o.HL = -2.0f;
    char buf[MSGLEN];
    int32_t it = TBLOC(20.0f, PVTCOM.TT.data(), PVTCOM.NT, 2);
    int32_t ip = TBLOC(2.0e6f, PVTCOM.PP.data(), PVTCOM.NP, 2);
    PVTLUP(it, ip, 2.0e6f, 20.0f, r.o, TRUE_, r.below, 2, r.ierr, buf, MSGLEN);
    EXPECT_EQ(r.o.ROG, -1.0f);
    EXPECT_EQ(r.o.HL, -2.0f);
    EXPECT_GT(r.o.RS, 0.0f);
    EXPECT_EQ(r.o.X1, 0.0f);
}

TEST_F(PvtLookup, GasFractionWithABubblePointInTheInterval) {
    // Pressures 1e6 and 2e6 around a bubble point of 1.5e6 at the lower grid
    // temperature; table 7 is 0.4 at 1e6 and 0.2 at 2e6 (hand values: at
    // 1.25e6 the slope is -0.4 / 0.5e6 = -8e-7 and RS 0.2).
    PVTBLK b = bilinear_block();
    b.P[1] = 1.0e6f;
    b.P[2] = 2.0e6f;
    for (int j = 0; j < 4; ++j) {
        b.PBUB[j] = 1.5e6f;
        b.TAB[6][1][j] = 0.4f;
        b.TAB[6][2][j] = 0.2f;
    }
    UNPACK(b);
    Lookup r = lookup(1.25e6f, 20.0f);
    EXPECT_NEAR(r.o.RS, 0.2f, 1e-6);
    EXPECT_NEAR(r.o.DRSP, -8e-7f, 1e-12);
    Lookup at = lookup(1.5e6f, 20.0f);
    EXPECT_NEAR(at.o.RS, 0.0f, 1e-6);
    Lookup above = lookup(1.6e6f, 20.0f);
    EXPECT_EQ(above.o.RS, 0.0f);
    EXPECT_EQ(above.o.DRSP, 0.0f);
}

TEST_F(PvtLookup, GasFractionClippedToOneHasNoSlopeAndLiquidStaysHeavier) {
    PVTBLK b = bilinear_block();
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j) {
            b.TAB[6][i][j] = 1.3f;
            b.TAB[1][i][j] = b.TAB[0][i][j];  // liquid density equal to gas
        }
    UNPACK(b);
    Lookup r = lookup(2.0e6f, 20.0f);
    EXPECT_EQ(r.o.RS, 1.0f);
    EXPECT_EQ(r.o.DRSP, 0.0f);
    EXPECT_FLOAT_EQ(r.o.ROL, r.o.ROG + 1.0e-5f);
}

TEST_F(PvtLookup, TableCheckRefusesWhatTheLookupCannotUse) {
    struct Case {
        void (*edit)(PVTBLK&);
        const char* msg;
    };
    const Case cases[] = {
        {[](PVTBLK&) {}, ""},
        {[](PVTBLK& b) { b.NP = 1; },
         "PROPERTY TABLE: NUMBER OF PRESSURE POINTS MUST BE BETWEEN 2 AND 20"},
        {[](PVTBLK& b) { b.NP = 21; },
         "PROPERTY TABLE: NUMBER OF PRESSURE POINTS MUST BE BETWEEN 2 AND 20"},
        {[](PVTBLK& b) { b.NP = 2; }, ""},
        {[](PVTBLK& b) { b.NT = 1; },
         "PROPERTY TABLE: NUMBER OF TEMPERATURE POINTS MUST BE BETWEEN 2 AND 20"},
        {[](PVTBLK& b) { b.NT = 21; },
         "PROPERTY TABLE: NUMBER OF TEMPERATURE POINTS MUST BE BETWEEN 2 AND 20"},
        {[](PVTBLK& b) { b.P[3] = b.P[2]; },
         "PROPERTY TABLE: PRESSURES MUST BE STRICTLY INCREASING"},
        {[](PVTBLK& b) { b.T[1] = -20.0f; },
         "PROPERTY TABLE: TEMPERATURES MUST BE STRICTLY INCREASING"},
        {[](PVTBLK& b) { b.TAB[15][4][3] = INFINITY; },
         "PROPERTY TABLE: A VALUE IS NOT A FINITE NUMBER"},
        {[](PVTBLK& b) { b.ROGST = std::nanf(""); },
         "PROPERTY TABLE: A VALUE IS NOT A FINITE NUMBER"},
        {[](PVTBLK& b) { b.TAB[15][5][3] = INFINITY; }, ""},  // outside the used grid
    };
    for (const Case& c : cases) {
        PVTBLK b = bilinear_block();
        c.edit(b);
        int32_t ierr = 0;
        char buf[MSGLEN];
        setmsg(buf, MSGLEN, "");
        PVTCHK(b, ierr, buf, MSGLEN);
        EXPECT_EQ(ierr, c.msg[0] ? 1 : 0) << c.msg;
        EXPECT_EQ(msgtext(buf, MSGLEN), c.msg);
    }
    // A black-oil and a compositional block pass.
    PVTBLK bo{};
    float g = 0.8f, o = 800.0f, r = 100.0f, w = 10.0f;
    int32_t ierr = 0;
    char buf[MSGLEN];
    BLACKOIL(&g, &o, &r, &w, &bo, &ierr, buf, MSGLEN);
    PVTCHK(bo, ierr, buf, MSGLEN);
    EXPECT_EQ(ierr, 0);
}

TEST_F(PvtLookup, SectionUpdateChecksClampsAndChains) {
    PIPGEO.NSEC = 4;
    for (int s = 1; s <= 4; ++s) {
        NETDSC.KSEC(s) = 0;
        NETDSC.JBND(s) = 0;
        SECVAR.TM(s) = 20.0f;
        SECVAR.MG(s) = 1.0f;
        SECVAR.MLT(s) = 2.0f;
    }
    NETDSC.KSEC(4) = 2;  // not ordinary: left alone
    SECVAR.PT(1) = 1.0e6f;
    SECVAR.PT(2) = 2.0e6f;
    SECVAR.PT(3) = 4.0e6f;
    SECVAR.TM(2) = -500.0f;  // clamped to the lower limit -20
    SECVAR.RS(1) = 0.0f;
    RUNCTL.HT = 0.5;
    int32_t ierr = 0;
    char buf[MSGLEN];
    PRECHK(ierr, buf, MSGLEN);
    ASSERT_EQ(ierr, 0);
    EXPECT_EQ(SECVAR.TM(2), -20.0f);
    EXPECT_NEAR(SECVAR.ROG(2) / exact(1, 2.0e6, -20.0), 1.0, 1e-5);
    EXPECT_EQ(SECVAR.MTOT(3), 3.0f);
    EXPECT_FLOAT_EQ(SECVAR.DRSDT(1), SECVAR.RS(1) / 0.5f);
    EXPECT_EQ(SECVAR.DRSPB(1), 0.0f);  // same pressure as the start of the chain
    EXPECT_FLOAT_EQ(SECVAR.DRSPB(3), (SECVAR.RS(2) - SECVAR.RS(3)) / (2.0e6f - 4.0e6f));
    EXPECT_EQ(SECVAR.ROG(4), 0.0f);

    // A negative pressure stops at that section; later sections keep theirs.
    SECVAR.PT(2) = -1.0f;
    SECVAR.ROG(3) = -5.0f;
    PRECHK(ierr, buf, MSGLEN);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(msgtext(buf, MSGLEN), "PRESSURE TOO LOW. PLEASE CHECK INPUT");
    EXPECT_EQ(SECVAR.ROG(3), -5.0f);
    ierr = 0;
    SECVAR.PT(2) = 1.51e7f;
    PRECHK(ierr, buf, MSGLEN);
    EXPECT_EQ(msgtext(buf, MSGLEN), "PRESSURE TO HIGH. PLEASE CHECK INPUT");
}

TEST_F(PvtLookup, FirstSectionDensityFloor) {
    PVTBLK b = bilinear_block();
    for (int j = 0; j < 4; ++j) b.TAB[0][0][j] = b.TAB[0][1][j] = 0.01f;
    UNPACK(b);
    PIPGEO.NSEC = 2;
    NETDSC.KSEC(1) = 2;  // inlet cell: not updated, floored from section 2
    SECVAR.PT(2) = 5.0e5f;
    SECVAR.TM(2) = 20.0f;
    SECVAR.ROG(1) = 0.05f;
    int32_t ierr = 0;
    char buf[MSGLEN];
    PRECHK(ierr, buf, MSGLEN);
    EXPECT_EQ(SECVAR.ROG(1), SECVAR.ROG(2));
}

// Between two columns the bubble line runs straight from one column's bubble
// pressure to the other's, rising or falling; below it the gas fraction is
// read from each column's own two-phase side, above it there is none. Table 7
// is a0 (colder column) and a1 at 1e6 Pa and 0 (liquid) at 3e6 Pa; the point
// is at 0 C, half way between the columns at -10 and 10 C. Hand values: the
// line stands at pb = (pb0 + pb1) / 2, the common node below both is 1e6 Pa,
// s = (p - 1e6) / (pb - 1e6) and each column reads a (1 - s), so RS = (a0 +
// a1) / 2 (1 - s), DRSP = -(a0 + a1) / 2 / (pb - 1e6) and DRST = (a1 - a0) /
// 20 (1 - s) + (a0 + a1) / 2 (p - 1e6) / (pb - 1e6)^2 (pb1 - pb0) / 20.
// Without a bubble pressure in the warmer column the colder one holds.
TEST_F(PvtLookup, GasFractionBetweenColumnsOnTheStraightBubbleLine) {
    struct Case {
        const char* what;
        float pb0, pb1, a0, a1, p;
        double rs, drsp, drst;
    };
    const Case cases[] = {
        {"rising, below the line", 1.6e6f, 2.8e6f, 0.3f, 0.3f, 1.9e6f, 0.075, -2.5e-7, 0.01125},
        {"rising, above the colder column's", 1.6e6f, 2.8e6f, 0.3f, 0.3f, 2.1e6f, 0.025, -2.5e-7,
         0.01375},
        {"rising, above the line", 1.6e6f, 2.8e6f, 0.3f, 0.3f, 2.3e6f, 0.0, 0.0, 0.0},
        {"falling, below the line", 2.8e6f, 1.6e6f, 0.3f, 0.3f, 1.9e6f, 0.075, -2.5e-7, -0.01125},
        {"falling, above the line", 2.8e6f, 1.6e6f, 0.3f, 0.3f, 2.5e6f, 0.0, 0.0, 0.0},
        {"each column its own nodes", 1.6e6f, 2.8e6f, 0.3f, 0.5f, 1.9e6f, 0.1, -0.4 / 1.2e6,
         0.0175},
        {"only the colder column has one", 1.6e6f, 1.0e9f, 0.3f, 0.3f, 1.9e6f, 0.0, 0.0, 0.0},
    };
    for (const Case& k : cases) {
        PVTBLK b = bilinear_block();
        b.PBUB[0] = k.pb0;
        b.PBUB[1] = k.pb1;
        b.TAB[6][1][0] = k.a0;
        b.TAB[6][1][1] = k.a1;
        b.TAB[6][2][0] = 0.0f;
        b.TAB[6][2][1] = 0.0f;
        UNPACK(b);
        Lookup r = lookup(k.p, 0.0f);
        ASSERT_EQ(r.ierr, 0) << r.msg;
        EXPECT_NEAR(r.o.RS, k.rs, 1e-6) << k.what;
        EXPECT_NEAR(r.o.DRSP, k.drsp, 1e-12) << k.what;
        if (k.rs > 0.0 || k.pb1 < 1.0e9f) {
            EXPECT_NEAR(r.o.DRST, k.drst, 1e-6) << k.what;
        }
    }
}
