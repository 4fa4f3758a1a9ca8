// The fixed-width number texts of the messages.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "run/routines.h"

using namespace rel;

TEST(NumberText, I2CH2RightAlignsInTwoCharacters) {
    struct Case {
        int32_t n;
        const char* text;
    };
    for (const Case c : {Case{7, " 7"}, Case{0, " 0"}, Case{10, "10"}, Case{99, "99"},
                         Case{-9, "-9"}, Case{100, "**"}, Case{-10, "**"}, Case{123456, "**"}})
        EXPECT_EQ(I2CH2(c.n), c.text) << c.n;
}

TEST(NumberText, I2CH10WritesWholeNumbersWithTheirPoint) {
    struct Case {
        float x;
        const char* text;
    };
    const float inf = std::numeric_limits<float>::infinity();
    for (const Case c :
         {Case{12.4f, "       12."}, Case{12.5f, "       13."}, Case{100.0f, "      100."},
          Case{0.0f, "        0."}, Case{-0.4f, "        0."}, Case{-12.5f, "      -13."},
          Case{999999936.0f, "999999936."}, Case{1.0e9f, "**********"},
          Case{-99999992.0f, "-99999992."}, Case{-1.0e8f, "**********"},
          Case{1.0e10f, "**********"}, Case{inf, "**********"}, Case{std::nanf(""), "**********"}})
        EXPECT_EQ(I2CH10(c.x), c.text) << c.x;
}
