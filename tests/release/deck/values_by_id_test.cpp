// Result values by variable id on a small fixed state, one case per kind of
// variable, and the global cell of a local section.
#include <gtest/gtest.h>

#include <cmath>

#include "deck/deck.h"
#include "deck_support.h"
#include "run/errors.h"
#include "run/state.h"

using namespace rel;

namespace {

// The small network with a liquid-holding state: sections 2..6 hold
// ML 500, MD 100 kg/m3 at ROL 800 kg/m3; faces every 20 m.
void fixed_state() {
    decktest::small_network();
    NETDSC.KSEC(1) = 2;
    NETDSC.KSEC(7) = -1;
    for (int s = 2; s <= 6; ++s) {
        PIPGEO.XFACE(s) = 20.0f * (s - 1);
        SECVAR.ML(s) = 500.0f;
        SECVAR.MD(s) = 100.0f;
        SECVAR.ROL(s) = 800.0f;
    }
    SECVAR.UL(3) = -2.5f;
    SECVAR.GT(3) = -7.0f;
    SECVAR.QL(3) = -0.25f;
    SECVAR.ID(3) = 2;
    SECVAR.PT(4) = 1.5e6f;
    CTRTAB.CONTR(2) = 0.7f;
    LEKRES.GTLEAK(1) = -3.0f;
    LEKRES.WGLEAK(1) = -10.0f;
    EQUIPM.ILKSEC(1) = 4;
    EQUIPM.WGSOUR(1) = 20.0f;
    EQUIPM.ISOUR(1) = 2;
    EQUIPM.WGSOVA(1) = -5.0f;
    EQUIPM.IVSSEC(1) = 5;
    EQUIPM.GTSOVA(1) = -2.0f;
}

constexpr float TOL = 1e-5f;  // relative, single precision

}  // namespace

TEST(ValuesById, EachKindGivesItsHandValue) {
    struct Row {
        const char* what;
        int32_t id, i;
        float want;
    };
    const float A = decktest::AREA;
    const Row rows[] = {
        {"position of boundary 4 (face of section 3)", 1, 4, 40.0f},
        {"id 0 is a position too", 0, 4, 40.0f},
        {"id 201 is a position too", 201, 5, 60.0f},
        {"B: liquid velocity keeps its sign", 2, 3, -2.5f},
        {"B: total mass flow as a magnitude", 23, 3, 7.0f},
        {"B: liquid volume flow as a magnitude", 12, 3, 0.25f},
        {"B: flow regime as a number", 40, 3, 2.0f},
        {"S: pressure of section 4", 74, 4, 1.5e6f},
        // 5 sections x (500 + 100) x 20 m x 0.0706858 m2 / 800 = 5.301435 m3 (hand)
        {"-: liquid content of the branch", 38, 4, 5.301435f},
        {"-: controller output", 49, 2, 0.7f},
        {"-: leak rate as a magnitude", 100, 1, 3.0f},
        // |-10 kg/(m2 s)| x 0.0706858 m2
        {"-: leak gas flow", 101, 1, 10.0f * A},
        {"-: source gas flow", 135, 1, 20.0f * A},
        {"-: valve-source gas flow", 150, 1, 5.0f * A},
        {"-: valve-source total as a magnitude", 157, 1, 2.0f},
    };
    for (const Row& r : rows) {
        fixed_state();
        char MSG[MSGLEN];
        int32_t IERR = 0;
        const float v = GETINP(r.id, r.i, IERR, MSG, MSGLEN);
        EXPECT_EQ(IERR, 0) << r.what << ": " << msgtext(MSG, MSGLEN);
        EXPECT_NEAR(v, r.want, std::fabs(r.want) * TOL) << r.what;
    }
}

TEST(ValuesById, TotalMassIsOneValueForEveryCell) {
    fixed_state();
    char MSG[MSGLEN];
    int32_t IERR = 0;
    // The total is kept by the mass step; a build without it has no value.
    [&](auto& S) {
        if constexpr (requires { S.RMTOT; }) {
            S.RMTOT = 1234.0;
            EXPECT_EQ(GETINP(37, 1, IERR, MSG, MSGLEN), 1234.0f);
            EXPECT_EQ(GETINP(37, 150, IERR, MSG, MSGLEN), 1234.0f);
            EXPECT_EQ(IERR, 0);
        } else {
            GETINP(37, 1, IERR, MSG, MSGLEN);
            EXPECT_EQ(IERR, 1);
        }
    }(SECVAR);
}

TEST(ValuesById, UndefinedIdsAndBadIndicesAreErrors) {
    const int32_t undefined[] = {29, 31, 103, 137, 200};
    for (int32_t id : undefined) {
        fixed_state();
        decktest::Units u("");
        char MSG[MSGLEN];
        int32_t IERR = 0;
        EXPECT_EQ(GETINP(id, 3, IERR, MSG, MSGLEN), 0.0f);
        EXPECT_EQ(IERR, 1) << id;
        EXPECT_EQ(msgtext(MSG, MSGLEN),
                  "ERROR: VARIABLE ID NOT DEFINED (GETINP): " + std::to_string(id));
        EXPECT_EQ(u.finish(), std::vector<std::string>{" ERROR: VARIABLE ID NOT DEFINED (GETINP)"});
    }
    struct Bad {
        int32_t id, i;
    };
    const Bad bad[] = {{2, 201}, {2, -1}, {49, 16}, {100, 6}, {135, 0}, {1, 999}};
    for (const Bad& b : bad) {
        fixed_state();
        char MSG[MSGLEN];
        int32_t IERR = 0;
        GETINP(b.id, b.i, IERR, MSG, MSGLEN);
        EXPECT_EQ(IERR, 1) << b.id << " at " << b.i;
    }
}

TEST(ValuesById, LocalSectionToGlobalCell) {
    decktest::small_network();
    EXPECT_EQ(ICELL(1, 1), 2);  // an inlet branch skips its inlet section
    NETDSC.ITYPBR(1) = 1;
    EXPECT_EQ(ICELL(1, 1), 2);
    NETDSC.ITYPBR(1) = 2;
    EXPECT_EQ(ICELL(1, 1), 1);
    NETDSC.ITYPBR(1) = 0;
    NETDSC.NBR = 2;
    NETDSC.ITYPBR(2) = 3;
    EXPECT_EQ(ICELL(2, 1), 8);  // 7 sections of branch 1, then the first of branch 2
}
