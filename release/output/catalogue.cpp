// The result-variable table and the catalogue built from it. VARCAT fills the
// live table VARTAB from it at every run; VARNAM is the
// constant table of short names by which plot curves are asked for. The two
// agree except where the short names kept an older spelling (WGLEAK for the
// catalogue's GGLEAK, ...) or blank out variables no curve may request.
#include <cstring>
#include <string_view>

#include "output/catalogue.h"
#include "output/variables.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {
namespace {

// Units not listed with a description follow from the variable's meaning
// (mass fluxes KG/SM2, specific masses KG/M3, their rates KG/M3S, ...).
// Flows (volume and mass flows at the boundaries) keep their sign along the
// branch in the state, the result file and the listing; the values by id
// report their size.
constexpr ResultVar ENTRIES[] = {
    {1, "", "S", '-', "Time"},
    {2, "UL", "M/S", 'B', "Liquid Velocity", &Secvar::UL, nullptr, ById::value},
    {3, "UG", "M/S", 'B', "", &Secvar::UG, nullptr, ById::value},
    {4, "USL", "M/S", 'B', "", &Secvar::USL, nullptr, ById::value},
    {5, "USG", "M/S", 'B', "", &Secvar::USG, nullptr, ById::value},
    {6, "UO", "M/S", 'B', "", &Secvar::UO, nullptr, ById::value},
    {7, "DS", "-", 'B', "", &Secvar::DS, nullptr, ById::value},
    {8, "WL", "KG/SM2", 'B', "", &Secvar::WL, nullptr, ById::value},
    {9, "WG", "KG/SM2", 'B', "", &Secvar::WG, nullptr, ById::value},
    {10, "QT", "M3/S", 'B', "", &Secvar::QT, nullptr, ById::magnitude},
    {11, "QLT", "M3/S", 'B', "", &Secvar::QLT, nullptr, ById::magnitude},
    {12, "QL", "M3/S", 'B', "", &Secvar::QL, nullptr, ById::magnitude},
    {13, "QG", "M3/S", 'B', "", &Secvar::QG, nullptr, ById::magnitude},
    {14, "QD", "M3/S", 'B', "", &Secvar::QD, nullptr, ById::magnitude},
    {15, "DUL", "M/S2", 'B', "", &Secvar::DUL, nullptr, ById::value},
    {16, "DUG", "M/S2", 'B', "", &Secvar::DUG, nullptr, ById::value},
    {17, "SLAI", "KG/SM3", 'B', "", &Secvar::SLAI, nullptr, ById::value},
    {18, "SLAL", "KG/SM3", 'B', "", &Secvar::SLAL, nullptr, ById::value},
    {19, "SLAG", "KG/SM3", 'B', "", &Secvar::SLAG, nullptr, ById::value},
    {20, "UD", "M/S", 'B', "", &Secvar::UD, nullptr, ById::value},
    {21, "UDO", "M/S", 'B', "", &Secvar::UDO, nullptr, ById::value},
    {22, "WD", "KG/SM2", 'B', "", &Secvar::WD, nullptr, ById::value},
    {23, "GT", "KG/S", 'B', "Total Mass Flow", &Secvar::GT, nullptr, ById::magnitude},
    {24, "GLT", "KG/S", 'B', "", &Secvar::GLT, nullptr, ById::magnitude},
    {25, "GL", "KG/S", 'B', "", &Secvar::GL, nullptr, ById::magnitude},
    {26, "GG", "KG/S", 'B', "", &Secvar::GG, nullptr, ById::magnitude},
    {27, "GD", "KG/S", 'B', "", &Secvar::GD, nullptr, ById::magnitude},
    {28, "USD", "M/S", 'B', "", &Secvar::USD, nullptr, ById::value},
    {29, "PSID", "KG/M3S", 'B', "", &Secvar::PSID, nullptr, ById::gather},
    {30, "PSIE", "KG/M3S", 'B', "", &Secvar::PSIE, nullptr, ById::gather},
    {36, "RMTOT0", "KG", '-', ""},
    {37, "RMTOT", "KG", '-', ""},
    {38, "LIQC", "M3", '-', "Total Liquid Content in a Branch"},
    {39, "RMOUT", "KG", '-', ""},
    {40, "ID", "-", '-', "", nullptr, &Secvar::ID, ById::value},
    {41, "LIQBC", "M3", '-', ""},
    {42, "BOU", "-", '-', ""},
    {43, "JUL", "-", '-', "", nullptr, &Secvar::JUL, ById::value},
    {44, "JUG", "-", '-', "", nullptr, &Secvar::JUG, ById::value},
    {45, "TW", "C", '-', "", &Secvar::TW, nullptr, ById::value},
    {46, "RETOT0", "J", '-', ""},
    {47, "RETOT", "J", '-', ""},
    {48, "CHOKE", "-", '-', ""},
    {49, "CONTR", "-", '-', ""},
    {50, "PCHOKE", "N/M2", '-', ""},
    {51, "TCHOKE", "C", '-', ""},
    {52, "UCHOKE", "M/SEC", '-', ""},
    {53, "WCHOKE", "KG/S", '-', ""},
    {54, "JUD", "-", '-', "", nullptr, &Secvar::JUD, ById::gather},
    {55, "DRAIN", "KG/S", '-', ""},
    {56, "EDRAIN", "W", '-', ""},
    {57, "ZZPIG", "M", '-', ""},
    {58, "UPIG", "M/S", '-', ""},
    {59, "LIQDC", "M3", '-', ""},
    {60, "GASC", "M3", '-', ""},
    {61, "ROL", "KG/M3", 'S', "Density of Liquid", &Secvar::ROL, nullptr, ById::value},
    {62, "ROG", "KG/M3", 'S', "", &Secvar::ROG, nullptr, ById::value},
    {63, "AL", "-", 'S', "", &Secvar::AL, nullptr, ById::value},
    {64, "BE", "-", 'S', "", &Secvar::BE, nullptr, ById::value},
    {65, "GA", "-", 'S', "", &Secvar::GA, nullptr, ById::value},
    {66, "ML", "KG/M3", 'S', "", &Secvar::ML, nullptr, ById::value},
    {67, "MG", "KG/M3", 'S', "", &Secvar::MG, nullptr, ById::value},
    {68, "MD", "KG/M3", 'S', "", &Secvar::MD, nullptr, ById::value},
    {69, "PSI", "KG/M3S", 'S', "", &Secvar::PSI, nullptr, ById::value},
    {72, "RS", "-", 'S', "", &Secvar::RS, nullptr, ById::value},
    {73, "TM", "C", 'S', "Fluid Temperature", &Secvar::TM, nullptr, ById::value},
    {74, "PT", "N/M2", 'S', "Pressure", &Secvar::PT, nullptr, ById::value},
    {75, "HL", "J/KG", 'S', "", &Secvar::HL, nullptr, ById::value},
    {76, "HG", "J/KG", 'S', "", &Secvar::HG, nullptr, ById::value},
    {77, "VISL", "NS/M2", 'S', "", &Secvar::VISL, nullptr, ById::value},
    {78, "VISG", "NS/M2", 'S', "", &Secvar::VISG, nullptr, ById::value},
    {79, "QM", "J/MS", 'S', "", &Secvar::QM, nullptr, ById::value},
    {80, "DML", "KG/M3S", 'S', "", &Secvar::DML, nullptr, ById::value},
    {81, "DMG", "KG/M3S", 'S', "", &Secvar::DMG, nullptr, ById::value},
    {82, "DPT", "N/M2S", 'S', "", &Secvar::DPT, nullptr, ById::value},
    {83, "DPTO", "N/M2S", 'S', "", &Secvar::DPTO, nullptr, ById::value},
    {84, "DTM", "DEGC/S", 'S', "", &Secvar::DTM, nullptr, ById::value},
    {85, "DPZ", "N/M3", 'S', "", &Secvar::DPZ, nullptr, ById::value},
    {86, "DRLP", "S2/M2", 'S', "", &Secvar::DRLP, nullptr, ById::value},
    {87, "DRGP", "S2/M2", 'S', "", &Secvar::DRGP, nullptr, ById::value},
    {88, "DRLT", "KG/M3C", 'S', "", &Secvar::DRLT, nullptr, ById::value},
    {89, "DRGT", "KG/M3C", 'S', "", &Secvar::DRGT, nullptr, ById::value},
    {90, "Q2", "J/MS", 'S', "", &Secvar::Q2, nullptr, ById::value},
    {91, "HOL", "-", 'S', "", &Secvar::HOL, nullptr, ById::value},
    {92, "VOL", "-", 'S', "", &Secvar::VOL, nullptr, ById::value},
    {93, "SEG", "J/KGC", 'S', ""},
    {94, "SEL", "J/KGC", 'S', ""},
    {95, "SIG", "N/M", 'S', "", &Secvar::SIG, nullptr, ById::gather},
    {98, "ROGLK", "KG/M3", '-', "Gas density outside leak"},
    {99, "ROLLK", "KG/M3", '-', "Oil density outside leak"},
    {100, "GTLEAK", "KG/S", '-', "Leakage, Total Flow Rate"},
    {101, "GGLEAK", "KG/S", '-', "Leakage, Gas Flow Rate"},
    {102, "GLLEAK", "KG/S", '-', "Leakage, Liquid Flow Rate"},
    {103, "HLEAK", "W", '-', "Leakage, Enthalpy"},
    {104, "PTLEAK", "N/M2", '-', "Leakage, Pressure"},
    {105, "DWGLK", "S/M", '-', "Leakage, Test Parameter Only"},
    {106, "DWLLK", "S/M", '-', "Leakage, Test Parameter Only"},
    {107, "GMLEAK", "KG", '-', "Accumulated Gas Mass Leakage"},
    {108, "LMLEAK", "KG", '-', "Accumulated Liquid Mass Leakage"},
    {109, "MASSLK", "KG", '-', "Accumulated Mass Leakage"},
    {110, "QGLEAK", "M3/S", '-', "Leakage, Gas volume rate"},
    {111, "QLLEAK", "M3/S", '-', "Leakage, Oil volume rate"},
    {112, "QGSTLK", "SM3/S", '-', "Leakage, Gas std. volume rate"},
    {113, "QLSTLK", "SM3/S", '-', "Leakage, Oil std. volume rate"},
    {115, "VOLMAX", "-", '-', "Max Volume Error Since Last Outprint", &Secvar::VOLMX2, nullptr,
     ById::gather},
    {118, "QGACC", "M3", '-', ""},
    {119, "QGACCR", "M3", '-', ""},
    {120, "QLACC", "M3", '-', ""},
    {121, "QLACCR", "M3", '-', ""},
    {122, "QTACC", "M3", '-', ""},
    {123, "QTACCR", "M3", '-', ""},
    {125, "RMLGT", "KG", '-', ""},
    {126, "RMERR", "%", '-', ""},
    {127, "RMDEL", "%", '-', ""},
    {128, "RELGT", "J", '-', ""},
    {129, "REERR", "%", '-', ""},
    {130, "REDEL", "%", '-', ""},
    {131, "VOLGBL", "%", '-', "Global Max Volume Error Since Last Write"},
    {132, "NINTGR", "-", '-', "Number of Time Steps"},
    {133, "HT", "S", '-', "Time Step"},
    {135, "WGSOUR", "KG/S", '-', ""},
    {136, "WLSOUR", "KG/S", '-', ""},
    {137, "HSOUR", "W", '-', ""},
    {138, "TSOUR", "C", '-', ""},
    {140, "WGWELL", "KG/S", '-', ""},
    {141, "WLWELL", "KG/S", '-', ""},
    {142, "HWELL", "W", '-', ""},
    {143, "QSOUT", "M3", '-', ""},
    {144, "QSOUTR", "M3", '-', ""},
    {145, "MGSOU", "KG", '-', ""},
    {146, "MGSOUR", "KG", '-', ""},
    {147, "MLSOU", "KG", '-', ""},
    {148, "MLSOUR", "KG", '-', ""},
    {149, "MTSOU", "KG", '-', ""},
    {150, "WGSOVA", "KG/S", '-', ""},
    {151, "WLSOVA", "KG/S", '-', ""},
    {152, "HSOVA", "W", '-', ""},
    {153, "PTSOVA", "N/M2", '-', ""},
    {154, "TMSOVA", "C", '-', ""},
    {155, "DWGSV", "S/M", '-', ""},
    {156, "DWLSV", "S/M", '-', ""},
    {157, "GTSOVA", "KG/S", '-', ""},
    {161, "MTSOUR", "KG", '-', ""},
    {162, "QDRAIN", "M3/S", '-', ""},
    {163, "HDRAIN", "W", '-', ""},
    {165, "RPM", "R/MIN", '-', ""},
    {166, "WCOMP", "KG/S", '-', ""},
    {167, "HCOMP", "W", '-', ""},
    {168, "WREC", "KG/S", '-', ""},
    {169, "HREC", "W", '-', ""},
    {170, "DHRCOO", "W/M2C", '-', ""},
    {172, "DHCOOL", "W/M2C", '-', ""},
    {180, "HPOW", "NM/S", '-', ""},
    {184, "RMASIN", "KG", '-', ""},
    {185, "RMASUT", "KG", '-', ""},
    {186, "RLIQIN", "KG", '-', ""},
    {187, "RLIQUT", "KG", '-', ""},
    {188, "RGASIN", "KG", '-', ""},
    {189, "RGASUT", "KG", '-', ""},
    {190, "MASSIN", "KG", '-', ""},
    {191, "MASOUT", "KG", '-', ""},
    {192, "PIGM", "KG", '-', ""},
    {193, "ALGL", "-", '-', ""},
    {194, "ALGR", "-", '-', ""},
    {195, "APLUG", "M2", '-', ""},
    {196, "ZHYDR", "M", '-', ""},
    {197, "GASIN", "KG", '-', ""},
    {198, "GASOUT", "KG", '-', ""},
    {199, "LIQIN", "KG", '-', ""},
    {200, "LIQOUT", "KG", '-', ""},
};

constexpr int NENTRIES = sizeof ENTRIES / sizeof ENTRIES[0];

// Row of each id in ENTRIES, -1 for a free id.
struct Index {
    int16_t row[MXVAR + 1];
};
constexpr Index build_index() {
    Index x{};
    for (int id = 0; id <= MXVAR; ++id) x.row[id] = -1;
    for (int r = 0; r < NENTRIES; ++r) x.row[ENTRIES[r].id] = static_cast<int16_t>(r);
    return x;
}
constexpr Index INDEX = build_index();

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
    for (const ResultVar& e : ENTRIES) put(v.SHORT[e.id - 1], e.name);
    for (int id : {32,  33,  34,  35,  114, 116, 117, 124, 134, 139, 158, 159, 160, 164,
                   173, 174, 176, 177, 178, 179, 181, 182, 183, 57,  58,  172, 192, 195})
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
    for (const ResultVar& e : ENTRIES) {
        const int i = e.id - 1;
        put(VARTAB.NAME[i], e.name);
        put(VARTAB.UNIT[i], e.unit);
        std::string_view d = e.desc;
        for (int c = 0; c < 50; ++c)
            VARTAB.DESC[i][c] = c < static_cast<int>(d.size()) ? d[c] : ' ';
        VARTAB.KIND[i] = e.kind;
    }
}

const ResultVar* result_var(int32_t id) {
    if (id < 1 || id > MXVAR) return nullptr;
    const int r = INDEX.row[id];
    return r < 0 ? nullptr : &ENTRIES[r];
}

const SecF* real_array(int32_t id) {
    const ResultVar* v = result_var(id);
    return v && v->real ? &(SECVAR.*(v->real)) : nullptr;
}

const SecI* whole_array(int32_t id) {
    const ResultVar* v = result_var(id);
    return v && v->whole ? &(SECVAR.*(v->whole)) : nullptr;
}

int32_t varnam_lookup(const char* keyword) {
    for (int i = 1; i <= MXNAM; ++i)
        if (std::memcmp(VARNAM.SHORT[i - 1], keyword, 6) == 0) return i;
    return 0;
}

}  // namespace rel
