// What the readers keep: fluxes, cells, flags, area factors, the profile
// lists, and that nothing is kept beyond a table.
#include <gtest/gtest.h>

#include <cstring>

#include "deck/deck.h"
#include "deck/record_input.h"
#include "deck_support.h"
#include "rt/fortio.h"
#include "run/state.h"

using namespace rel;
using decktest::Units;

namespace {
constexpr float REL = 1e-6f;  // single-precision arithmetic of one division or product
}

TEST(DeckSources, RatesBecomeFluxesOverTheCellArea) {
    decktest::small_network();
    // 1.413716 kg/s through 0.0706858 m2 is 20 kg/(m2 s) (hand division)
    Units u("3 2\n0 100\n20 25\n1.413716 2.827432\n0 0.7068583\n");
    EQUIPM.NSOUR = 1;
    int32_t IERR = 0;
    ASSERT_EQ(RDSOUR(0, 1, 0, 7, IERR), 0);
    EXPECT_EQ(IERR, 0);
    EXPECT_EQ(EQUIPM.ISOUR(1), 4);  // local section 3 of an inlet branch: 0 + 2 + 3 - 1
    EXPECT_EQ(EQUIPM.NTSOUR(1), 2);
    EXPECT_NEAR(EQUIPM.GSOUR(1, 1), 20.0f, 20.0f * REL * 4);
    EXPECT_NEAR(EQUIPM.GSOUR(2, 1), 40.0f, 40.0f * REL * 4);
    EXPECT_NEAR(EQUIPM.LSOUR(2, 1), 10.0f, 10.0f * REL * 4);
    EXPECT_FLOAT_EQ(EQUIPM.TMSOUR(2, 1), 25.0f);
    EXPECT_FLOAT_EQ(EQUIPM.TSOUR(2, 1), 100.0f);
    EXPECT_EQ(EQUIPM.WGSOUR(1), EQUIPM.GSOUR(1, 1));
    EXPECT_EQ(EQUIPM.WLSOUR(1), 0.0f);
}

TEST(DeckSources, TenTimePointsFillTheTableAndTimeZeroIsAccepted) {
    decktest::small_network();
    const std::string row = "0 1 2 3 4 5 6 7 8 9\n";
    Units u("1 10\n" + row + row + row + row);
    EQUIPM.NSOUR = 1;
    int32_t IERR = 0;
    EXPECT_EQ(RDSOUR(0, 1, 0, 7, IERR), 0);
    EXPECT_EQ(IERR, 0);
    EXPECT_EQ(EQUIPM.NTSOUR(1), 10);
    EXPECT_FLOAT_EQ(EQUIPM.TSOUR(10, 1), 9.0f);
}

TEST(DeckValves, KeepsAbsoluteRatioEquilibriumFlagAndAreaFactor) {
    decktest::small_network();
    Units u("1\n3 0.8 0.1 4 -0.5 1\n2\n0 1e7\n1e6 2e6\n20 30\n");
    int32_t IERR = 0;
    ASSERT_EQ(RDSOVA(1, 0, 0, 7, IERR), 0);
    EXPECT_EQ(IERR, 0);
    EXPECT_EQ(EQUIPM.NVSRC, 1);
    EXPECT_EQ(EQUIPM.IVSSEC(1), 4);
    EXPECT_FLOAT_EQ(EQUIPM.RSOVA(1), 0.5f);
    EXPECT_EQ(EQUIPM.IEQSOV(1), TRUE_);
    EXPECT_EQ(EQUIPM.ICHSOV(1), TRUE_);
    EXPECT_EQ(EQUIPM.ICTSOV(1), 4);
    // 0.8 x (0.1 / 0.3)^2 = 0.0888889 (hand value)
    EXPECT_NEAR(EQUIPM.AFSOVA(1), 0.0888889f, 1e-6f);
    EXPECT_EQ(EQUIPM.NTSOVA(1), 2);
    EXPECT_FLOAT_EQ(EQUIPM.PSOVT(2, 1), 2e6f);
    EXPECT_FLOAT_EQ(EQUIPM.TMSOVT(2, 1), 30.0f);
}

TEST(DeckValves, EntriesBeyondFiveAreReadButNotKept) {
    decktest::small_network();
    EQUIPM.NVSRC = 4;
    EQUIPM.IVSSEC(5) = 0;
    Units u("2\n2 0.8 0.1 1 -0.5 0\n0\n\n\n\n3 0.8 0.1 1 -0.5 0\n0\n\n\n\nnext\n");
    int32_t IERR = 0;
    EXPECT_EQ(RDSOVA(1, 0, 0, 7, IERR), 0);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(EQUIPM.NVSRC, MXVSRC);
    EXPECT_EQ(EQUIPM.IVSSEC(5), 3);  // the fifth is kept, the sixth only read
    EXPECT_EQ(Units::next_record(), "next");
}

TEST(DeckLeaks, KeepsCellLeakNumberAndBackPressureTable) {
    decktest::small_network();
    Units u("1\n5 0.84 0.05 99 1\n2\n0 1e7\n1e5 2e5\n");
    int32_t IERR = 0;
    ASSERT_EQ(RDLEAK(1, 0, 0, 7, IERR), 0);
    EXPECT_EQ(IERR, 0);
    EXPECT_EQ(EQUIPM.NLEAK, 1);
    EXPECT_EQ(EQUIPM.ILKSEC(1), 6);
    EXPECT_EQ(EQUIPM.ILKCTR(1), 99);
    EXPECT_EQ(EQUIPM.ILKFLG(1), TRUE_);
    // 0.84 x (0.05 / 0.3)^2 = 0.0233333 (hand value)
    EXPECT_NEAR(EQUIPM.AFLEAK(1), 0.0233333f, 1e-6f);
    EXPECT_EQ(EQUIPM.NLKPB(1), 2);
    EXPECT_FLOAT_EQ(EQUIPM.PLKPB(2, 1), 2e5f);
}

TEST(DeckLeaks, ASectionOutsideTheBranchIsNotUsedAsACell) {
    decktest::small_network();
    Units u("1\n9 0.84 0.05 1 0\n0\n\n\n");
    int32_t IERR = 0;
    EXPECT_EQ(RDLEAK(1, 0, 0, 7, IERR), 0);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(EQUIPM.ILKSEC(1), 0);
    EXPECT_EQ(EQUIPM.AFLEAK(1), 0.0f);
}

TEST(DeckProfile, BranchesShareTheGlobalListAndTheLastShortNameWins) {
    decktest::small_network();
    NETDSC.NBR = 2;
    NETDSC.ITYPBR(2) = 3;
    NETDSC.NSECBR(2) = 4;
    Units u("2\nPT GT\n2\nHOL PT\n1\n******\n");
    int32_t IERR = 0, n = 0, idx[Pltctl::MXPRV];
    ASSERT_EQ(RDPROF(1, IERR, n, idx), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(idx[0], 1);
    EXPECT_EQ(idx[1], 2);
    ASSERT_EQ(RDPROF(2, IERR, n, idx), 0);
    EXPECT_EQ(idx[0], 3);  // HOL is new
    EXPECT_EQ(idx[1], 1);  // PT reuses its place
    EXPECT_EQ(PLTCTL.NPRVAR, 3);
    EXPECT_EQ(PLTCTL.IPRVID(1), 74);
    EXPECT_EQ(PLTCTL.IPRVID(2), 23);
    EXPECT_EQ(PLTCTL.IPRVID(3), 91);
    // "******" names ids 70, 71 and 175: the reader takes the last, the check the first
    ASSERT_EQ(RDPROF(1, IERR, n, idx), 0);
    EXPECT_EQ(PLTCTL.IPRVID(idx[0]), 175);
    EXPECT_EQ(CHKVAR("******", 77, IERR), 70);
    EXPECT_EQ(IERR, 0);
}

TEST(DeckProfile, BoundaryVariablesTakeOneCellMoreThanSectionVariables) {
    struct Row {
        const char* name;
        int32_t id;
        int32_t result;
        int32_t cells;
    };
    const Row rows[] = {{"TW", 45, 0, 5}, {"JUG", 44, 0, 6}, {"GTLEAK", 100, 1, 0}};
    for (const Row& r : rows) {
        decktest::small_network();
        Units u("first\nsecond\n");
        ASSERT_TRUE(deck::skip_rec());
        PLTCTL.NPRVAR = 1;
        rt::assign(PLTCTL.PRVNAM[0], 6, r.name);
        PLTCTL.IPRVID(1) = r.id;
        int32_t IERR = 0;
        EXPECT_EQ(CHKPROF(1, 2, 7, 10, IERR), r.result) << r.name;
        EXPECT_EQ(PLTCTL.NPCELL(1), r.cells) << r.name;
        if (r.cells) {
            EXPECT_EQ(PLTCTL.IPCELL(1, 1), 12);
        }
        if (r.result) {
            EXPECT_EQ(IERR, 1);
            EXPECT_EQ(Units::next_record(), "first");  // stepped back
            const auto log = u.finish();
            EXPECT_TRUE(decktest::has_block(
                log, {"     ERROR IN GROUP PROFILE PLOT : ",
                      "     TRIED TO PLOT PROFILE PLOT OF VARIABLE GTLEAK.",
                      "     IT IS NOT POSSIBLE TO HAVE A PROFILE PLOT", "     OF THIS VARIABLE."}))
                << decktest::show(log);
        }
    }
}

TEST(DeckProfile, CellListsStopAtTheirSize) {
    decktest::small_network();
    Units u("x\n");
    PLTCTL.NPRVAR = 1;
    PLTCTL.IPRVID(1) = 74;
    PLTCTL.NPCELL(1) = Pltctl::MXPCEL - 2;
    int32_t IERR = 0;
    EXPECT_EQ(CHKPROF(1, 2, 7, 0, IERR), 1);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(PLTCTL.NPCELL(1), Pltctl::MXPCEL - 2);
}

TEST(DeckCheckVariable, UnknownNameIsReported) {
    decktest::small_network();
    Units u("");
    int32_t IERR = 0;
    EXPECT_EQ(CHKVAR("PT    ", 77, IERR), 74);
    EXPECT_EQ(CHKVAR("NOSUCH", 77, IERR), -1000);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(u.finish(), std::vector<std::string>{" ERROR: NOSUCH UNKNOWN VARIABLE"});
}

TEST(DeckReadError, ShowsTheOffendingRecordAndStaysBeforeIt) {
    decktest::small_network();
    Units u("12 abc\nnext\n");
    ASSERT_TRUE(deck::skip_rec());
    RDERR(10, 77, "TWO WHOLE NUMBERS");
    EXPECT_EQ(Units::next_record(), "12 abc");
    const auto log = u.finish();
    const std::vector<std::string> want = {
        " READ ERROR:", "", "    TRIED TO READ: " + rt::fixed("TWO WHOLE NUMBERS", 60),
        "    ACTUALLY READ: " + rt::fixed("12 abc", 60), ""};
    EXPECT_EQ(log, want);
}

TEST(DeckRecords, ValuesOfOneRecordOnly) {
    struct Row {
        const char* rec;
        bool ok;
    };
    const Row rows[] = {{"1, 2.5 'PT' 3", true}, {"2*7 1.5d0 GT", true}, {"1 2.5", false},
                        {"1.5 2.5 PT", false},   {"1 2.5 'PT", false},   {"1,,2.5 PT", false},
                        {"1 inf PT", false},     {"1 2.5 / PT", false}};
    for (const Row& r : rows) {
        decktest::small_network();
        Units u(std::string(r.rec) + "\n");
        int32_t i = 0;
        float x = 0;
        char name[6];
        EXPECT_EQ(deck::read_rec({deck::as_int(i), deck::as_real(x), deck::as_text(name, 6)}), r.ok)
            << r.rec;
        if (!r.ok) {
            EXPECT_EQ(Units::next_record(), r.rec) << r.rec;
        }
    }
}

TEST(DeckRecords, AnOverLongRecordIsRefused) {
    decktest::small_network();
    Units u("1" + std::string(deck::MXREC, ' ') + "\n");
    int32_t n = 0;
    EXPECT_FALSE(deck::read_ints(&n, 1));
    EXPECT_EQ(n, 0);
}

TEST(DeckRecords, EchoWritesEveryRecordRead) {
    decktest::small_network();
    IOUNIT.IECHO = TRUE_;
    Units u("3 -0.5\n");
    int32_t i = 0;
    float x = 0;
    ASSERT_TRUE(deck::read_rec({deck::as_int(i), deck::as_real(x)}));
    EXPECT_EQ(u.finish(), std::vector<std::string>{"      " + rt::list(3, -0.5f)});
}
