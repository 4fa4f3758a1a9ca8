// The test entry: a deck sets up its network as a run does, is read group
// by group and gives the input listing and the network list.
#include <gtest/gtest.h>

#include "deck/deck.h"
#include "deck_support.h"
#include "run/errors.h"
#include "run/state.h"

using namespace rel;

namespace {

struct Result {
    int32_t IERR = 0;
    std::string msg;
    std::vector<std::string> listing, net;
};

Result deckrun(const std::string& deck_path, const std::string& name) {
    Result r;
    char MSG[MSGLEN];
    const auto lst = (decktest::scratch_dir() / (name + ".lst")).string();
    const auto net = (decktest::scratch_dir() / (name + ".net")).string();
    DECKRUN(deck_path.c_str(), lst.c_str(), net.c_str(), r.IERR, MSG, MSGLEN);
    r.msg = msgtext(MSG, MSGLEN);
    r.listing = decktest::lines_of(decktest::read_file(lst));
    r.net = decktest::lines_of(decktest::read_file(net));
    return r;
}

Result deckrun_text(const std::string& text, const std::string& name) {
    return deckrun(decktest::write_file(name + ".deck", text), name);
}

const std::string NETWORK = "NETWORK\n1 0\nGEOMETRY\n1 0.0 0.0\n0 0.3 0.0 0.0 4.0 100.0 -10.0\n";

}  // namespace

TEST(DeckRun, SmallDeckFillsTheStateAndListsEveryGroup) {
    const Result r = deckrun(decktest::fixture("small.deck"), "small");
    ASSERT_EQ(r.IERR, 0) << r.msg;
    // One 100.5 m pipe: 5 sections and the inlet and end sections.
    EXPECT_EQ(NETDSC.NSECBR(1), 7);
    EXPECT_EQ(EQUIPM.NSOUR, 1);
    EXPECT_EQ(EQUIPM.ISOUR(1), 3);
    EXPECT_EQ(EQUIPM.NVSRC, 1);
    EXPECT_EQ(EQUIPM.IVSSEC(1), 4);
    EXPECT_EQ(EQUIPM.NLEAK, 1);
    EXPECT_EQ(EQUIPM.ILKSEC(1), 3);
    EXPECT_EQ(PLTCTL.NPRVAR, 2);
    EXPECT_EQ(PLTCTL.NPCELL(1), 5);  // PT, a section variable: cells 2..6
    EXPECT_EQ(PLTCTL.NPCELL(2), 6);  // GT, a boundary variable: boundaries 2..7
    const auto& L = r.listing;
    using decktest::has_block;
    EXPECT_TRUE(has_block(L, {" ***********************  INPUT FILE 1  ***********************"}));
    EXPECT_TRUE(has_block(L, {"", "", "", " DATA GROUP  1  TEXT  ", " *********************",
                              " SMALL TEST NETWORK"}));
    EXPECT_TRUE(has_block(
        L, {" DATA GROUP  4  TEMPER", " *********************",
            " TEMPERATURE CALCULATION WITH GIVEN COEFFICIENTS FOR HEAT LOSS THROUGH PIPE WALLS"}));
    EXPECT_TRUE(has_block(L, {" THIS NETWORK CONSISTS OF  1 BRANCHES"}));
    EXPECT_TRUE(has_block(L, {" INPUT PREPROCESSOR OFF,",
                              " REFLEX OF INPUT WAS WRITTEN READ-STATEMENT BY READ-STATEMENT",
                              " TO THE OUTPUT FILE"}));
    EXPECT_TRUE(has_block(L, {" SOURCE NO.  1   SECTION   2"}));
    EXPECT_TRUE(has_block(L, {" PT    ", "        BRANCH:   1   SECTION NR:      ALL"}));
    EXPECT_TRUE(has_block(L, {" DATA GROUP 40  FINISH", " *********************",
                              " *******************  END OF INPUT FILE 1  *******************"}));
    // The echo: records after PREPROCESSOR come back with five blanks.
    EXPECT_TRUE(has_block(L, {"      " + rt::list(1)}));
    // Network list: one branch, no junctions, 5 inner... sections less 1 less R = 4.
    ASSERT_GE(r.net.size(), 11u);
    EXPECT_EQ(r.net[0], rt::list("NETWORK        "));
    EXPECT_EQ(r.net[1], rt::list(1));
    EXPECT_EQ(r.net[2], rt::list(0));
    EXPECT_EQ(r.net[3], rt::list("GEOMETRY       "));
    EXPECT_EQ(r.net[4], rt::list(2));
    EXPECT_EQ(r.net[8], rt::list(0.3f));
    EXPECT_EQ(r.net[9], rt::list(5));   // the pipe's 7 sections less inlet and end section
    EXPECT_EQ(r.net[10], rt::list(4));  // inner sections: 7 - 1 - 2
}

TEST(DeckRun, HeatTransferModeFivePrintsOnlyTheHeader) {
    const Result r = deckrun_text("TEMPERATURE\n5\n" + NETWORK + "FINISH\n", "mode5");
    ASSERT_EQ(r.IERR, 0) << r.msg;
    auto it = std::find(r.listing.begin(), r.listing.end(), " DATA GROUP  4  TEMPER");
    ASSERT_NE(it, r.listing.end());
    EXPECT_EQ(*(it + 1), " *********************");
    EXPECT_EQ(*(it + 2), "");  // the next group's header follows at once
}

TEST(DeckRun, GroupsWithoutAReaderArePassedOver) {
    const Result r =
        deckrun_text(NETWORK + "INTEGRATION\n1 2 3\nanything\nRESTART\nFINISH\n", "skip");
    ASSERT_EQ(r.IERR, 0) << r.msg;
    EXPECT_TRUE(
        decktest::has_block(r.listing, {" THIS RUN RESTARTS FROM A GIVEN FILE (UNIT NT11)"}));
    EXPECT_TRUE(decktest::has_block(r.listing, {" DATA GROUP  6  INTEGR"}));
}

TEST(DeckRun, RefusalsComeBackAsAMessage) {
    struct Row {
        const char* name;
        std::string deck;
        std::string msg;
    };
    const Row rows[] = {
        {"no_finish", NETWORK, "Input deck: the deck ends without its FINISH group"},
        {"not_a_header", NETWORK + "1 2 3\nFINISH\n",
         "Input deck: a group header was expected, not \"1 2 3\""},
        {"leak_before_geometry", "LEAK\n0\nFINISH\n",
         "Input deck: group LEAK comes before the network geometry"},
        {"range_error", NETWORK + "LEAK\n1\n9 0.84 0.05 1 0\n0\n\n\nFINISH\n",
         "Input deck: errors in the input, see the listing"},
        {"failed_read", NETWORK + "SOVA\nx\nFINISH\n",
         "Input deck: group SOVA could not be read, see the listing"},
        {"sixteen_branches", "NETWORK\n16 0\nFINISH\n",
         "Input deck: group NETWOR could not be read, see the listing"},
        {"four_junctions", "NETWORK\n2 4\nFINISH\n",
         "Input deck: group NETWOR could not be read, see the listing"},
        {"six_branches_at_a_junction", "NETWORK\n7 1\n6 1 2 3 4 5 6\nFINISH\n",
         "Input deck: group NETWOR could not be read, see the listing"},
        {"too_many_pipes", "NETWORK\n1 0\nGEOMETRY\n101 0 0\nFINISH\n",
         "Input deck: group GEOMET could not be read, see the listing"},
        {"eleven_sources", NETWORK + "BOUNDARY CONDITION\n11\nFINISH\n",
         "Input deck: group BOUNDA could not be read, see the listing"},
    };
    for (const Row& row : rows) {
        const Result r = deckrun_text(row.deck, row.name);
        EXPECT_EQ(r.IERR, 1) << row.name;
        EXPECT_EQ(r.msg, row.msg) << row.name;
    }
    // Nothing of the refused counts was stored.
    EXPECT_EQ(EQUIPM.NSOUR, 0);
}

TEST(DeckRun, AMissingDeckIsRefused) {
    char MSG[MSGLEN];
    int32_t IERR = 0;
    const auto lst = (decktest::scratch_dir() / "missing.lst").string();
    DECKRUN("/nonexistent/deck", lst.c_str(), "", IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(msgtext(MSG, MSGLEN), "Input deck: cannot read /nonexistent/deck");
}
