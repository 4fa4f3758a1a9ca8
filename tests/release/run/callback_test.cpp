// Registration and call of the progress callback.
#include <gtest/gtest.h>

#include "run/routines.h"
#include "run/state.h"

using namespace rel;

namespace {
int32_t last_seen = -1;
int32_t stop_at_50(int32_t p) {
    last_seen = p;
    return p >= 50 ? 1 : 0;
}
}  // namespace

TEST(Callback, RegisteredProcedureGetsThePercentage) {
    ReleaseProgressFn fn = stop_at_50;
    SETCBK(&fn);
    int32_t p = 20;
    EXPECT_EQ(CALCBK(p), 0);
    EXPECT_EQ(last_seen, 20);
    p = 50;
    EXPECT_EQ(CALCBK(p), 1);
    EXPECT_EQ(last_seen, 50);
}

TEST(Callback, HolderOfZeroOrNoHolderMeansNone) {
    ReleaseProgressFn none = nullptr;
    for (ReleaseProgressFn* holder : {&none, static_cast<ReleaseProgressFn*>(nullptr)}) {
        ReleaseProgressFn fn = stop_at_50;
        SETCBK(&fn);
        SETCBK(holder);
        last_seen = -1;
        int32_t p = 80;
        EXPECT_EQ(CALCBK(p), 0);
        EXPECT_EQ(last_seen, -1);
        EXPECT_FALSE(is_true(CBKSTA.ACTIVE));
    }
    EXPECT_EQ(NOCBK(80), 0);
}
