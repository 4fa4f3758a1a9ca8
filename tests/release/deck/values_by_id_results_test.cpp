// Values by id of the flows, balances and energy terms that the mass and
// energy step and the implicit step keep, on the small deck network; the
// expected values are the numbers set here (flows as magnitudes).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "deck/deck.h"
#include "deck/values.h"
#include "deck_support.h"
#include "run/errors.h"
#include "run/state.h"

using namespace rel;

namespace {

void step_state() {
    decktest::small_network();
    Secvar& V = SECVAR;
    V.UO(3) = -0.4f;
    V.QT(3) = -0.3f;
    V.QLT(3) = -0.05f;
    V.GLT(3) = -4.5f;
    V.GL(3) = -4.0f;
    V.GG(3) = -1.5f;
    V.GD(3) = -0.5f;
    V.PSID(4) = 0.006f;
    V.PSIE(4) = 0.008f;
    V.QM(5) = -80.0f;
    V.DTM(5) = -0.01f;
    V.DRLT(5) = -0.75f;
    V.DRGT(5) = -0.2f;
    V.Q2(5) = 9.0f;
    V.RMTOT0 = 1500.0;
    V.RMTOT = 1496.0;
    V.RMOUT = 12.5;
}

}  // namespace

TEST(ValuesById, StepResultsGiveTheirStoredValues) {
    struct Row {
        const char* what;
        int32_t id, i;
        float want;
    };
    const Row rows[] = {
        {"B slip velocity keeps its sign", 6, 3, -0.4f},
        {"B total volume flow as a magnitude", 10, 3, 0.3f},
        {"B liquid volume flow as a magnitude", 11, 3, 0.05f},
        {"B liquid mass flow as a magnitude", 24, 3, 4.5f},
        {"B bulk liquid mass flow as a magnitude", 25, 3, 4.0f},
        {"B gas mass flow as a magnitude", 26, 3, 1.5f},
        {"B droplet mass flow as a magnitude", 27, 3, 0.5f},
        {"S heat flow keeps its sign", 79, 5, -80.0f},
        {"S temperature rate", 84, 5, -0.01f},
        {"S liquid density slope", 88, 5, -0.75f},
        {"S gas density slope", 89, 5, -0.2f},
        {"S second heat flow", 90, 5, 9.0f},
        {"initial total mass, any index", 36, 150, 1500.0f},
        {"total mass", 37, 1, 1496.0f},
        {"mass released at the outlet", 39, 1, 12.5f},
    };
    for (const Row& r : rows) {
        step_state();
        char MSG[MSGLEN];
        int32_t IERR = 0;
        const float v = GETINP(r.id, r.i, IERR, MSG, MSGLEN);
        EXPECT_EQ(IERR, 0) << r.what << ": " << msgtext(MSG, MSGLEN);
        EXPECT_FLOAT_EQ(v, r.want) << r.what;
    }
}

TEST(ValuesById, EntrainmentAndDepositionOnlyForTheProfileGatherer) {
    step_state();
    float v = 0.0f;
    EXPECT_EQ(deck::value_of(29, 4, v, true), deck::Got_t::value);
    EXPECT_FLOAT_EQ(v, 0.006f);
    EXPECT_EQ(deck::value_of(30, 4, v, true), deck::Got_t::value);
    EXPECT_FLOAT_EQ(v, 0.008f);
    // By id alone they stay undefined.
    EXPECT_EQ(deck::value_of(30, 4, v, false), deck::Got_t::undefined);
}
