// The profile table and the state dump of a small fixed state, against a
// golden file whose numbers are the hand values of the state below.
#include <gtest/gtest.h>

#include "deck/deck.h"
#include "deck_support.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"

using namespace rel;

namespace {

// The small network lying flat at 50 m depth, 100 m long, its five sections
// 20 m each: midpoints at x = 10, 30, ..., 90 m, upstream faces at 0, 20, ...
// PT(s) = 1.0E6 + 1000 s Pa, GT(b) = 10 + b kg/s; profile variables PT
// (sections 2..6) and GT (boundaries 2..7).
void dump_state() {
    decktest::small_network();
    VARCAT();
    NETDSC.XYZBR(2, 1) = -50.0f;
    PIPGEO.XYZEND(2, 1) = -50.0f;
    RUNCTL.TIME = 11400.5;
    for (int s = 1; s <= 7; ++s) {
        SECVAR.PT(s) = 1.0e6f + 1000.0f * s;
        SECVAR.GT(s) = 10.0f + s;
        SECVAR.VOLMX2(s) = 0.5f;
    }
    PLTCTL.NPRVAR = 2;
    rt::assign(PLTCTL.PRVNAM[0], 6, "PT");
    rt::assign(PLTCTL.PRVNAM[1], 6, "GT");
    PLTCTL.IPRVID(1) = 74;
    PLTCTL.IPRVID(2) = 23;
    int32_t IERR = 0;
    ASSERT_EQ(CHKPROF(1, 2, 7, 0, IERR), 0);
    ASSERT_EQ(CHKPROF(2, 2, 7, 0, IERR), 0);
}

}  // namespace

TEST(StateDump, ProfileTableAndDumpMatchTheGoldenFile) {
    dump_state();
    rt::reset_units();
    const auto path = (decktest::scratch_dir() / "dump.txt").string();
    ASSERT_TRUE(rt::open_unit(19, path));
    char MSG[MSGLEN];
    int32_t IERR = 0;
    PLTGAT(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0) << msgtext(MSG, MSGLEN);
    DUMPST(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0) << msgtext(MSG, MSGLEN);
    ASSERT_TRUE(rt::close_unit(19));
    EXPECT_EQ(decktest::read_file(path),
              decktest::read_file(decktest::fixture("state_dump.golden")));
    // The largest volume errors start again from sections 2 on.
    EXPECT_EQ(SECVAR.VOLMX2(1), 0.5f);
    EXPECT_EQ(SECVAR.VOLMX2(2), 0.0f);
    EXPECT_EQ(SECVAR.VOLMX2(7), 0.0f);
}

TEST(StateDump, WithoutProfileVariablesOnlyTheTimeAndTheReset) {
    dump_state();
    PLTCTL.NPRVAR = 0;
    rt::reset_units();
    const auto path = (decktest::scratch_dir() / "dump0.txt").string();
    ASSERT_TRUE(rt::open_unit(19, path));
    char MSG[MSGLEN];
    int32_t IERR = 0;
    DUMPST(IERR, MSG, MSGLEN);
    ASSERT_TRUE(rt::close_unit(19));
    EXPECT_EQ(IERR, 0);
    EXPECT_EQ(decktest::lines_of(decktest::read_file(path)),
              std::vector<std::string>{rt::list(11400.5)});
    EXPECT_EQ(SECVAR.VOLMX2(4), 0.0f);
}

TEST(StateDump, AClosedDumpUnitIsAnError) {
    dump_state();
    rt::reset_units();
    char MSG[MSGLEN];
    int32_t IERR = 0;
    DUMPST(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(msgtext(MSG, MSGLEN), "Cannot write to unit 19");
}
