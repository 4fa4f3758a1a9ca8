// The physical check of a filled table block: which values it refuses, how
// it names them, and which it lets pass.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "pvt/pvt.h"

using namespace rel;

namespace {

// A 2 x 3 block (pressures 1e5, 2e6; temperatures -10, 20, 80) of ones, with
// unused entries holding garbage that must not be looked at.
PVTBLK small_block() {
    PVTBLK b{};
    b.NP = 2;
    b.NT = 3;
    b.P[0] = 1.0e5f;
    b.P[1] = 2.0e6f;
    b.T[0] = -10.0f;
    b.T[1] = 20.0f;
    b.T[2] = 80.0f;
    for (auto& table : b.TAB)
        for (auto& row : table)
            for (float& v : row) v = std::numeric_limits<float>::quiet_NaN();
    for (auto& table : b.TAB)
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 3; ++j) table[i][j] = 1.0f;
    return b;
}

}  // namespace

TEST(TableCheck, NamesTheFirstValueThatIsNotPhysical) {
    const float NaN = std::numeric_limits<float>::quiet_NaN();
    const float INF = std::numeric_limits<float>::infinity();
    struct Case {
        int table, i, j;  // 1-based table, 0-based pressure and temperature
        float v;
        const char* msg;  // "" = passes
    };
    const Case cases[] = {
        {1, 0, 0, 0.0f, "GAS DENSITY IS 0 kg/m3 AT 100000 Pa AND -10 C; IT MUST BE ABOVE 0"},
        {2, 1, 2, -850.0f, "LIQUID DENSITY IS -850 kg/m3 AT 2e+06 Pa AND 80 C; IT MUST BE ABOVE 0"},
        {9, 1, 1, -1.0e-3f,
         "LIQUID VISCOSITY IS -0.001 Pa s AT 2e+06 Pa AND 20 C; IT MUST BE ABOVE 0"},
        {10, 0, 0, -16.918438f,
         "GAS HEAT CAPACITY IS -16.9184 J/(kg K) AT 100000 Pa AND -10 C; IT MUST BE ABOVE 0"},
        {14, 0, 2, INF, "GAS THERMAL CONDUCTIVITY IS NOT A FINITE NUMBER AT 100000 Pa AND 80 C"},
        {12, 1, 0, NaN, "GAS ENTHALPY IS NOT A FINITE NUMBER AT 2e+06 Pa AND -10 C"},
        // Quantities that may be zero or negative.
        {12, 1, 0, -2.0e5f, ""},
        {3, 0, 1, 0.0f, ""},
        {6, 0, 1, -1.5f, ""},
        {7, 1, 1, 0.0f, ""},
        {16, 1, 1, 0.0f, ""},
    };
    for (const Case& c : cases) {
        PVTBLK b = small_block();
        b.TAB[c.table - 1][c.i][c.j] = c.v;
        EXPECT_EQ(PVTPHY(b, false), c.msg) << "table " << c.table;
    }
}

TEST(TableCheck, StandardWordsOnlyWhenAsked) {
    PVTBLK b = small_block();
    b.GORST = std::numeric_limits<float>::infinity();
    EXPECT_EQ(PVTPHY(b, false), "");
    EXPECT_EQ(PVTPHY(b, true), "STANDARD GAS-OIL RATIO IS NOT A FINITE NUMBER");
}
