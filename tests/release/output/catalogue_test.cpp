// The result-variable catalogue and the short-name table behind curve requests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "output/catalogue.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {
namespace {

std::string name(int id) { return std::string(VARTAB.NAME[id - 1], 6); }
std::string unit(int id) { return std::string(VARTAB.UNIT[id - 1], 6); }
std::string desc(int id) { return std::string(VARTAB.DESC[id - 1], 50); }
std::string pad(const std::string& s, size_t n) { return s + std::string(n - s.size(), ' '); }

struct Row {
    int id;
    const char* name;
    const char* unit;
    char kind;
    const char* desc;
};

// Rows as the file header and the listing show them (trailing blanks added here).
const Row ROWS[] = {
    {1, "", "S", '-', "Time"},
    {2, "UL", "M/S", 'B', "Liquid Velocity"},
    {23, "GT", "KG/S", 'B', "Total Mass Flow"},
    {30, "PSIE", "KG/M3S", 'B', ""},
    {38, "LIQC", "M3", '-', "Total Liquid Content in a Branch"},
    {48, "CHOKE", "-", '-', ""},
    {49, "CONTR", "-", '-', ""},
    {52, "UCHOKE", "M/SEC", '-', ""},
    {60, "GASC", "M3", '-', ""},
    {61, "ROL", "KG/M3", 'S', "Density of Liquid"},
    {69, "PSI", "KG/M3S", 'S', ""},
    {72, "RS", "-", 'S', ""},
    {73, "TM", "C", 'S', "Fluid Temperature"},
    {74, "PT", "N/M2", 'S', "Pressure"},
    {95, "SIG", "N/M", 'S', ""},
    {98, "ROGLK", "KG/M3", '-', "Gas density outside leak"},
    {99, "ROLLK", "KG/M3", '-', "Oil density outside leak"},
    {100, "GTLEAK", "KG/S", '-', "Leakage, Total Flow Rate"},
    {101, "GGLEAK", "KG/S", '-', "Leakage, Gas Flow Rate"},
    {102, "GLLEAK", "KG/S", '-', "Leakage, Liquid Flow Rate"},
    {103, "HLEAK", "W", '-', "Leakage, Enthalpy"},
    {104, "PTLEAK", "N/M2", '-', "Leakage, Pressure"},
    {105, "DWGLK", "S/M", '-', "Leakage, Test Parameter Only"},
    {107, "GMLEAK", "KG", '-', "Accumulated Gas Mass Leakage"},
    {108, "LMLEAK", "KG", '-', "Accumulated Liquid Mass Leakage"},
    {109, "MASSLK", "KG", '-', "Accumulated Mass Leakage"},
    {110, "QGLEAK", "M3/S", '-', "Leakage, Gas volume rate"},
    {111, "QLLEAK", "M3/S", '-', "Leakage, Oil volume rate"},
    {112, "QGSTLK", "SM3/S", '-', "Leakage, Gas std. volume rate"},
    {113, "QLSTLK", "SM3/S", '-', "Leakage, Oil std. volume rate"},
    {115, "VOLMAX", "-", '-', "Max Volume Error Since Last Outprint"},
    {131, "VOLGBL", "%", '-', "Global Max Volume Error Since Last Write"},
    {132, "NINTGR", "-", '-', "Number of Time Steps"},
    {133, "HT", "S", '-', "Time Step"},
    {165, "RPM", "R/MIN", '-', ""},
    {200, "LIQOUT", "KG", '-', ""},
};

TEST(Catalogue, rows_by_id_are_exact_fixed_width_texts) {
    INICOM();
    VARCAT();
    for (const Row& r : ROWS) {
        SCOPED_TRACE(r.id);
        EXPECT_EQ(name(r.id), pad(r.name, 6));
        EXPECT_EQ(unit(r.id), pad(r.unit, 6));
        EXPECT_EQ(VARTAB.KIND[r.id - 1], r.kind);
        EXPECT_EQ(desc(r.id), pad(r.desc, 50));
    }
}

TEST(Catalogue, free_ids_are_starred_with_kind_dash) {
    INICOM();
    VARCAT();
    const int FREE[] = {31,  32,  33,  34,  35,  70,  71,  96,  97,  114, 116, 117, 124, 134, 139,
                        158, 159, 160, 164, 171, 173, 174, 175, 176, 177, 178, 179, 181, 182, 183};
    for (int id : FREE) {
        SCOPED_TRACE(id);
        EXPECT_EQ(name(id), "****  ");
        EXPECT_EQ(unit(id), "****  ");
        EXPECT_EQ(VARTAB.KIND[id - 1], '-');
        EXPECT_EQ(desc(id), std::string(50, ' '));
    }
    // 30 free ids in all: every other id carries a name.
    int starred = 0;
    for (int id = 1; id <= 200; ++id) starred += name(id) == "****  ";
    EXPECT_EQ(starred, 30);
}

TEST(Catalogue, kind_letters_by_id_range) {
    INICOM();
    VARCAT();
    for (int id = 1; id <= 200; ++id) {
        SCOPED_TRACE(id);
        const char want = (id >= 2 && id <= 30)                                ? 'B'
                          : ((id >= 61 && id <= 69) || (id >= 72 && id <= 95)) ? 'S'
                                                                               : '-';
        EXPECT_EQ(VARTAB.KIND[id - 1], want);
    }
}

TEST(Catalogue, catalogue_is_blank_until_filled_and_the_same_every_run) {
    INICOM();
    EXPECT_EQ(name(74), "      ");
    VARCAT();
    Vartab first;
    std::memcpy(&first, &VARTAB, sizeof first);
    INICOM();
    VARCAT();
    EXPECT_EQ(std::memcmp(&first, &VARTAB, sizeof first), 0);
}

TEST(ShortNames, lookup_compares_all_six_bytes_and_takes_the_first_match) {
    struct Case {
        const char key[7];
        int id;
    };
    const Case CASES[] = {
        {"WGLEAK", 101}, {"WLLEAK", 102}, {"GGLEAK", 0},   {"GLLEAK", 0},   {"      ", 1},
        {"******", 70},  {"FBUBBL", 31},  {"TMA   ", 96},  {"DTMA  ", 97},  {"DPBMAX", 171},
        {"PT    ", 74},  {"GT    ", 23},  {"MASSLK", 109}, {"VOLGBL", 131}, {"HT    ", 133},
        {"LIQC  ", 38},  {"ZZPIG ", 0},   {"PIGM  ", 0},   {"****  ", 0},   {"PT", 0},
        {"pt    ", 0},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.key);
        char key[6];
        std::memset(key, ' ', 6);
        std::memcpy(key, c.key, std::strlen(c.key));
        if (std::strlen(c.key) < 6) key[std::strlen(c.key)] = '\0';  // a C text, not a padded one
        EXPECT_EQ(varnam_lookup(key), c.id);
    }
}

TEST(ShortNames, entries_past_the_catalogue_hold_zero_bytes) {
    for (int i = 201; i <= 260; ++i)
        for (int c = 0; c < 6; ++c) ASSERT_EQ(VARNAM.SHORT[i - 1][c], '\0') << i;
    const char zeros[6] = {};
    EXPECT_EQ(varnam_lookup(zeros), 201);
}

TEST(ShortNames, agree_with_catalogue_names_outside_the_listed_differences) {
    INICOM();
    VARCAT();
    int differ = 0;
    for (int id = 1; id <= 200; ++id)
        differ += std::memcmp(VARNAM.SHORT[id - 1], VARTAB.NAME[id - 1], 6) != 0;
    // 30 free ids plus ZZPIG, UPIG, DHCOOL, PIGM, APLUG, GGLEAK, GLLEAK.
    EXPECT_EQ(differ, 37);
}

}  // namespace
}  // namespace rel
