#include <gtest/gtest.h>

#include "run/state.h"

using namespace rel;

TEST(StateAreas, InicomGivesTheInitialValues) {
    SECVAR.PT(5) = 3.0f;
    NETDSC.NBR = 5;
    INICOM();
    EXPECT_EQ(SECVAR.PT(5), 0.0f);
    EXPECT_EQ(NETDSC.NBR, 0);
    EXPECT_EQ(RUNCTL.IO, 1);
    EXPECT_FLOAT_EQ(RUNCTL.DPRRED, 0.01f);
    EXPECT_FLOAT_EQ(RUNCTL.DPRGRO, 0.0005f);
    EXPECT_FLOAT_EQ(RUNCTL.HTSAF, 0.75f);
    EXPECT_EQ(PIPGEO.ICFLON(200), 1);
    EXPECT_FLOAT_EQ(SECVAR.DTCFL, 1.0e6f);
    EXPECT_FLOAT_EQ(SECVAR.SLAI(0), 1.0f);
    EXPECT_FLOAT_EQ(SECVAR.ENTIN(200), 0.8f);
    EXPECT_FLOAT_EQ(PVTCOM.PBUB(20), 2.0e21f);
    EXPECT_EQ(EQUIPM.IVSFLG(10), TRUE_);
    EXPECT_EQ(CTRTAB.IRESTR(15), -1);
    EXPECT_EQ(IOUNIT.IULOG, 77);
    EXPECT_EQ(IOUNIT.IUNET(6), 16);
    EXPECT_EQ(VARTAB.NAME[199][5], ' ');
}

TEST(StateAreas, ArraysReadLikeTheirEquations) {
    Arr<float, 3> a{};
    a(1) = 1.0f;
    a(3) = 3.0f;
    EXPECT_EQ(a.v[0], 1.0f);
    EXPECT_EQ(a.v[2], 3.0f);
    Arr2<int, 3, 5> b{};
    b(2, 4) = 7;  // first index fastest
    EXPECT_EQ(b.data()[(4 - 1) * 3 + (2 - 1)], 7);
#ifdef RELEASE_BOUNDS_CHECK
    EXPECT_THROW(a(4), BoundsError);
    EXPECT_THROW(a(0), BoundsError);
#endif
}
