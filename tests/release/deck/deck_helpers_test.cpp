// Small helpers of the deck facilities, the curve position lists and the
// default profile settings.
#include <gtest/gtest.h>

#include <cstring>

#include "deck/deck.h"
#include "deck_support.h"
#include "run/errors.h"
#include "run/state.h"

using namespace rel;

TEST(DeckHelpers, NumberTextsAreTwentyCharacters) {
    EXPECT_EQ(CTCHAR(42, 'I'), std::string(17, ' ') + "42 ");
    EXPECT_EQ(CTCHAR(3.14159, 'R'), std::string(15, ' ') + "3.1  ");
    EXPECT_EQ(CTCHAR(1, 'X'), std::string(20, ' '));
}

TEST(DeckHelpers, LeftJustifyKeepsTheFirstNonBlank) {
    char t[80];
    std::memset(t, ' ', 80);
    std::memcpy(t + 3, "ABC", 3);
    int32_t first = 0;
    LJUST(t, first);
    EXPECT_EQ(first, 4);
    EXPECT_EQ(std::string(t, 80), "ABC" + std::string(77, ' '));
}

TEST(DeckHelpers, InterpolationSearchAndPipeFlow) {
    EXPECT_FLOAT_EQ(LININT(0.0f, 0.0f, 10.0f, 5.0f, 4.0f), 2.0f);
    const int32_t list[] = {5, 1, 7, 3, 9};
    int32_t first = 0, last = 0, found = 0;
    ISRCH(list, 1, 5, 2, 7, first, last, found);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 4);
    EXPECT_EQ(found, TRUE_);
    ISRCH(list, 1, 5, 20, 30, first, last, found);
    EXPECT_EQ(found, FALSE_);
    EXPECT_EQ(first, 0);
    // A rho sqrt((P - g rho h) / (0.5 rho (1 + 4 f L / D))) = 132.0946 kg/s for
    // P 2 bar, 800 kg/m3, f 0.005, D 0.2 m, h 10 m, L 100 m, A 0.0314159 m2 (Python)
    EXPECT_NEAR(PIPFLO(2e5f, 800.0f, 0.005f, 0.2f, 10.0f, 100.0f, 0.0314159f), 132.0946f,
                132.0946f * 1e-5f);
    EXPECT_EQ(PIPFLO(1e4f, 800.0f, 0.005f, 0.2f, 10.0f, 100.0f, 0.0314159f),
              0.0f);  // head below the column
}

namespace {
void two_branches_with_sources() {
    decktest::small_network();
    NETDSC.NBR = 2;
    NETDSC.ITYPBR(2) = 3;
    NETDSC.NSECBR(2) = 4;
    for (int s = 8; s <= 11; ++s) NETDSC.IBRSEC(s) = 2;
    EQUIPM.NSOUR = 3;
    EQUIPM.ISOUR(1) = 3;
    EQUIPM.ISOUR(2) = 9;
    EQUIPM.ISOUR(3) = 10;
}
}  // namespace

TEST(DeckHelpers, SourceNumbersCountTheEarlierBranches) {
    two_branches_with_sources();
    EXPECT_EQ(SRCIDX(135, 2, 1), 2);
    EXPECT_EQ(SRCIDX(138, 2, 2), 3);
    EXPECT_EQ(SRCIDX(150, 2, 1), 1);  // no source valves
    EXPECT_EQ(SRCIDX(40, 2, 1), 0);
}

TEST(CurvePositions, ByClassOfTheVariable) {
    struct Row {
        int32_t id;
        int32_t count;
        std::vector<int32_t> pos;
    };
    const Row rows[] = {
        {23, 6, {1, 2, 3, 4, 5, 6}},  // boundary positions over cells 2..7
        {74, 5, {1, 2, 3, 4, 5}},     // section positions
        {49, 2, {99, 7}},             // every controller
        {135, 2, {2, 3}},             // the sources of branch 2
        {38, 1, {}},                  // one value per branch
        {177, 4, {}},                 // others: left as they were
    };
    for (const Row& r : rows) {
        two_branches_with_sources();
        CTRTAB.NCTR = 2;
        CTRTAB.ICTRNO(1) = 99;
        CTRTAB.ICTRNO(2) = 7;
        PLTCTL.IVCURV(1) = r.id;
        PLTCTL.NPCURV(1) = 4;
        int32_t n = -1;
        CRVPOS(1, 2, 2, 7, 1, n);
        EXPECT_EQ(n, r.count) << r.id;
        EXPECT_EQ(PLTCTL.NPCURV(1), r.count) << r.id;
        for (size_t j = 0; j < r.pos.size(); ++j)
            EXPECT_EQ(PLTCTL.IPCURV(j + 1, 1), r.pos[j]) << r.id;
    }
}

TEST(DefaultProfile, KeywordsMarkTheirVariablesAndPositionsCoverTheNetwork) {
    decktest::small_network();
    char MSG[MSGLEN];
    int32_t IERR = 0;
    PLTCTL.IPCURV(1, 3) = 5;
    PRFNET(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    EXPECT_EQ(PLTCTL.IPLFLG(74), 1);  // PT
    EXPECT_EQ(PLTCTL.IPLFLG(23), 2);  // GT
    EXPECT_EQ(PLTCTL.IPLFLG(91), 3);  // HOL
    EXPECT_EQ(PLTCTL.IPLFLG(38), 4);  // LIQC
    EXPECT_EQ(PLTCTL.IPCURV(1, 3), 0);
    ASSERT_EQ(PLTCTL.NDFPOS, 6);  // 7 sections less R = 2, plus 1
    EXPECT_EQ(PLTCTL.IDFCEL(1), 2);
    EXPECT_EQ(PLTCTL.IDFCEL(6), 7);
    PRFRNG(3, 5, 10);
    ASSERT_EQ(PLTCTL.NDFPOS, 3);
    EXPECT_EQ(PLTCTL.IDFCEL(1), 13);
}
