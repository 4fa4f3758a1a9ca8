// The result-variable catalogue: every quantity the library can report over
// time has a fixed id 1..200 with a name, a unit, a kind letter and a
// description. VARCAT fills the live table VARTAB at every run; VARNAM is the
// constant table of short names by which plot curves are asked for. The two
// agree except where the short names kept an older spelling (WGLEAK for the
// catalogue's GGLEAK, ...) or blank out variables no curve may request.
#include <cstring>
#include <string_view>

#include "output/catalogue.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {
namespace {

struct Entry {
    int id;
    const char* name;
    const char* unit;
    const char* desc;
};

// Units not listed with a description follow from the variable's meaning
// (mass fluxes KG/SM2, specific masses KG/M3, their rates KG/M3S, ...).
constexpr Entry ENTRIES[] = {
    {1, "", "S", "Time"},
    {2, "UL", "M/S", "Liquid Velocity"},
    {3, "UG", "M/S", ""},
    {4, "USL", "M/S", ""},
    {5, "USG", "M/S", ""},
    {6, "UO", "M/S", ""},
    {7, "DS", "-", ""},
    {8, "WL", "KG/SM2", ""},
    {9, "WG", "KG/SM2", ""},
    {10, "QT", "M3/S", ""},
    {11, "QLT", "M3/S", ""},
    {12, "QL", "M3/S", ""},
    {13, "QG", "M3/S", ""},
    {14, "QD", "M3/S", ""},
    {15, "DUL", "M/S2", ""},
    {16, "DUG", "M/S2", ""},
    {17, "SLAI", "KG/SM3", ""},
    {18, "SLAL", "KG/SM3", ""},
    {19, "SLAG", "KG/SM3", ""},
    {20, "UD", "M/S", ""},
    {21, "UDO", "M/S", ""},
    {22, "WD", "KG/SM2", ""},
    {23, "GT", "KG/S", "Total Mass Flow"},
    {24, "GLT", "KG/S", ""},
    {25, "GL", "KG/S", ""},
    {26, "GG", "KG/S", ""},
    {27, "GD", "KG/S", ""},
    {28, "USD", "M/S", ""},
    {29, "PSID", "KG/M3S", ""},
    {30, "PSIE", "KG/M3S", ""},
    {36, "RMTOT0", "KG", ""},
    {37, "RMTOT", "KG", ""},
    {38, "LIQC", "M3", "Total Liquid Content in a Branch"},
    {39, "RMOUT", "KG", ""},
    {40, "ID", "-", ""},
    {41, "LIQBC", "M3", ""},
    {42, "BOU", "-", ""},
    {43, "JUL", "-", ""},
    {44, "JUG", "-", ""},
    {45, "TW", "C", ""},
    {46, "RETOT0", "J", ""},
    {47, "RETOT", "J", ""},
    {48, "CHOKE", "-", ""},
    {49, "CONTR", "-", ""},
    {50, "PCHOKE", "N/M2", ""},
    {51, "TCHOKE", "C", ""},
    {52, "UCHOKE", "M/SEC", ""},
    {53, "WCHOKE", "KG/S", ""},
    {54, "JUD", "-", ""},
    {55, "DRAIN", "KG/S", ""},
    {56, "EDRAIN", "W", ""},
    {57, "ZZPIG", "M", ""},
    {58, "UPIG", "M/S", ""},
    {59, "LIQDC", "M3", ""},
    {60, "GASC", "M3", ""},
    {61, "ROL", "KG/M3", "Density of Liquid"},
    {62, "ROG", "KG/M3", ""},
    {63, "AL", "-", ""},
    {64, "BE", "-", ""},
    {65, "GA", "-", ""},
    {66, "ML", "KG/M3", ""},
    {67, "MG", "KG/M3", ""},
    {68, "MD", "KG/M3", ""},
    {69, "PSI", "KG/M3S", ""},
    {72, "RS", "-", ""},
    {73, "TM", "C", "Fluid Temperature"},
    {74, "PT", "N/M2", "Pressure"},
    {75, "HL", "J/KG", ""},
    {76, "HG", "J/KG", ""},
    {77, "VISL", "NS/M2", ""},
    {78, "VISG", "NS/M2", ""},
    {79, "QM", "J/MS", ""},
    {80, "DML", "KG/M3S", ""},
    {81, "DMG", "KG/M3S", ""},
    {82, "DPT", "N/M2S", ""},
    {83, "DPTO", "N/M2S", ""},
    {84, "DTM", "DEGC/S", ""},
    {85, "DPZ", "N/M3", ""},
    {86, "DRLP", "S2/M2", ""},
    {87, "DRGP", "S2/M2", ""},
    {88, "DRLT", "KG/M3C", ""},
    {89, "DRGT", "KG/M3C", ""},
    {90, "Q2", "J/MS", ""},
    {91, "HOL", "-", ""},
    {92, "VOL", "-", ""},
    {93, "SEG", "J/KGC", ""},
    {94, "SEL", "J/KGC", ""},
    {95, "SIG", "N/M", ""},
    {98, "ROGLK", "KG/M3", "Gas density outside leak"},
    {99, "ROLLK", "KG/M3", "Oil density outside leak"},
    {100, "GTLEAK", "KG/S", "Leakage, Total Flow Rate"},
    {101, "GGLEAK", "KG/S", "Leakage, Gas Flow Rate"},
    {102, "GLLEAK", "KG/S", "Leakage, Liquid Flow Rate"},
    {103, "HLEAK", "W", "Leakage, Enthalpy"},
    {104, "PTLEAK", "N/M2", "Leakage, Pressure"},
    {105, "DWGLK", "S/M", "Leakage, Test Parameter Only"},
    {106, "DWLLK", "S/M", "Leakage, Test Parameter Only"},
    {107, "GMLEAK", "KG", "Accumulated Gas Mass Leakage"},
    {108, "LMLEAK", "KG", "Accumulated Liquid Mass Leakage"},
    {109, "MASSLK", "KG", "Accumulated Mass Leakage"},
    {110, "QGLEAK", "M3/S", "Leakage, Gas volume rate"},
    {111, "QLLEAK", "M3/S", "Leakage, Oil volume rate"},
    {112, "QGSTLK", "SM3/S", "Leakage, Gas std. volume rate"},
    {113, "QLSTLK", "SM3/S", "Leakage, Oil std. volume rate"},
    {115, "VOLMAX", "-", "Max Volume Error Since Last Outprint"},
    {118, "QGACC", "M3", ""},
    {119, "QGACCR", "M3", ""},
    {120, "QLACC", "M3", ""},
    {121, "QLACCR", "M3", ""},
    {122, "QTACC", "M3", ""},
    {123, "QTACCR", "M3", ""},
    {125, "RMLGT", "KG", ""},
    {126, "RMERR", "%", ""},
    {127, "RMDEL", "%", ""},
    {128, "RELGT", "J", ""},
    {129, "REERR", "%", ""},
    {130, "REDEL", "%", ""},
    {131, "VOLGBL", "%", "Global Max Volume Error Since Last Write"},
    {132, "NINTGR", "-", "Number of Time Steps"},
    {133, "HT", "S", "Time Step"},
    {135, "WGSOUR", "KG/S", ""},
    {136, "WLSOUR", "KG/S", ""},
    {137, "HSOUR", "W", ""},
    {138, "TSOUR", "C", ""},
    {140, "WGWELL", "KG/S", ""},
    {141, "WLWELL", "KG/S", ""},
    {142, "HWELL", "W", ""},
    {143, "QSOUT", "M3", ""},
    {144, "QSOUTR", "M3", ""},
    {145, "MGSOU", "KG", ""},
    {146, "MGSOUR", "KG", ""},
    {147, "MLSOU", "KG", ""},
    {148, "MLSOUR", "KG", ""},
    {149, "MTSOU", "KG", ""},
    {150, "WGSOVA", "KG/S", ""},
    {151, "WLSOVA", "KG/S", ""},
    {152, "HSOVA", "W", ""},
    {153, "PTSOVA", "N/M2", ""},
    {154, "TMSOVA", "C", ""},
    {155, "DWGSV", "S/M", ""},
    {156, "DWLSV", "S/M", ""},
    {157, "GTSOVA", "KG/S", ""},
    {161, "MTSOUR", "KG", ""},
    {162, "QDRAIN", "M3/S", ""},
    {163, "HDRAIN", "W", ""},
    {165, "RPM", "R/MIN", ""},
    {166, "WCOMP", "KG/S", ""},
    {167, "HCOMP", "W", ""},
    {168, "WREC", "KG/S", ""},
    {169, "HREC", "W", ""},
    {170, "DHRCOO", "W/M2C", ""},
    {172, "DHCOOL", "W/M2C", ""},
    {180, "HPOW", "NM/S", ""},
    {184, "RMASIN", "KG", ""},
    {185, "RMASUT", "KG", ""},
    {186, "RLIQIN", "KG", ""},
    {187, "RLIQUT", "KG", ""},
    {188, "RGASIN", "KG", ""},
    {189, "RGASUT", "KG", ""},
    {190, "MASSIN", "KG", ""},
    {191, "MASOUT", "KG", ""},
    {192, "PIGM", "KG", ""},
    {193, "ALGL", "-", ""},
    {194, "ALGR", "-", ""},
    {195, "APLUG", "M2", ""},
    {196, "ZHYDR", "M", ""},
    {197, "GASIN", "KG", ""},
    {198, "GASOUT", "KG", ""},
    {199, "LIQIN", "KG", ""},
    {200, "LIQOUT", "KG", ""},
};

constexpr void put(char (&dst)[6], std::string_view s) {
    for (int i = 0; i < 6; ++i) dst[i] = i < static_cast<int>(s.size()) ? s[i] : ' ';
}

// The short names by which curves are requested. Where they differ from the
// catalogue names: FBUBBL, TMA, DTMA, DPBMAX name ids that no longer carry a
// catalogue variable; "******" and blanks can never be asked for by name.
constexpr Varnam build_varnam() {
    Varnam v{};
    for (int i = 0; i < MXNAM; ++i)
        for (int c = 0; c < 6; ++c) v.SHORT[i][c] = i < MXVAR ? ' ' : '\0';
    for (const Entry& e : ENTRIES) put(v.SHORT[e.id - 1], e.name);
    for (int id : {32, 33, 34, 35, 114, 116, 117, 124, 134, 139, 158, 159, 160, 164, 173, 174, 176, 177,
                   178, 179, 181, 182, 183, 57, 58, 172, 192, 195})
        put(v.SHORT[id - 1], "");
    for (int id : {70, 71, 175}) put(v.SHORT[id - 1], "******");
    put(v.SHORT[31 - 1], "FBUBBL");
    put(v.SHORT[96 - 1], "TMA");
    put(v.SHORT[97 - 1], "DTMA");
    put(v.SHORT[171 - 1], "DPBMAX");
    put(v.SHORT[101 - 1], "WGLEAK");
    put(v.SHORT[102 - 1], "WLLEAK");
    return v;
}

}  // namespace

const Varnam VARNAM = build_varnam();

void VARCAT() {
    // Every id starts as a free id; the catalogue rows then fill theirs.
    for (int id = 1; id <= MXVAR; ++id) {
        std::memcpy(VARTAB.NAME[id - 1], "****  ", 6);
        std::memcpy(VARTAB.UNIT[id - 1], "****  ", 6);
        VARTAB.KIND[id - 1] = '-';
        std::memset(VARTAB.DESC[id - 1], ' ', 50);
    }
    for (const Entry& e : ENTRIES) {
        const int i = e.id - 1;
        put(VARTAB.NAME[i], e.name);
        put(VARTAB.UNIT[i], e.unit);
        std::string_view d = e.desc;
        for (int c = 0; c < 50; ++c) VARTAB.DESC[i][c] = c < static_cast<int>(d.size()) ? d[c] : ' ';
        const bool boundary = e.id >= 2 && e.id <= 30;
        const bool section = (e.id >= 61 && e.id <= 69) || (e.id >= 72 && e.id <= 95);
        VARTAB.KIND[i] = boundary ? 'B' : section ? 'S' : '-';
    }
}

int32_t varnam_lookup(const char* keyword) {
    for (int i = 1; i <= MXNAM; ++i)
        if (std::memcmp(VARNAM.SHORT[i - 1], keyword, 6) == 0) return i;
    return 0;
}

}  // namespace rel
