// The results listing: a snapshot of the simulation state written to the run
// log after a step when the print level asks for it. Tables of the selected
// variables along the pipe come first, then the blocks of the equipment.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "output/listing.h"
#include "output/variables.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {
namespace {

constexpr int MAXCOL = 6;  // columns of one table

void put(const std::string& line) {
    if (!rt::write_line(IOUNIT.IULOG, line)) throw RunFailure("ERROR WRITING THE RUN LOG");
}

int32_t nsec() { return std::clamp<int32_t>(PIPGEO.NSEC, 0, MXSEC); }

bool selected(int32_t id) { return id >= 1 && id <= MXNAM && PLTCTL.IPRVAR(id) != 0; }

// Rows of a table: one per listed boundary (boundary tables), or the profile
// rows of PLTPRF: each section's centre, with a boundary row in front of
// every section but the first of its branch.
struct ListRow {
    int32_t branch, section;
    bool centre;
    float position;  // along the branch, m
};

std::vector<ListRow> boundary_rows() {
    std::vector<ListRow> rows;
    float x = 0.0f;
    int32_t br = 0;
    for (int32_t i = 1; i <= nsec(); ++i) {
        if (NETDSC.IBRSEC(i) != br) {
            br = NETDSC.IBRSEC(i);
            x = 0.0f;
        }
        if (i >= 2 && PLTCTL.IPRBND(i) > 0) rows.push_back({br, i, false, x});
        x += PIPGEO.DX(i);
    }
    return rows;
}

std::vector<ListRow> profile_rows() {
    std::vector<ListRow> rows;
    float x = 0.0f;
    int32_t br = 0;
    for (int32_t s = 1; s <= nsec(); ++s) {
        if (NETDSC.IBRSEC(s) != br) {
            br = NETDSC.IBRSEC(s);
            x = 0.0f;
        } else {
            rows.push_back({br, s, false, x});
        }
        rows.push_back({br, s, true, x + 0.5f * PIPGEO.DX(s)});
        x += PIPGEO.DX(s);
    }
    return rows;
}

int32_t pipe_in_branch(int32_t sec) {
    const int32_t b = NETDSC.IBRSEC(sec);
    int32_t before = 0;
    for (int32_t i = 1; i < b && i <= MXBR; ++i) before += NETDSC.NPIPBR(i);
    return PIPGEO.IPIPE(sec) - before;
}

std::string right(const std::string& s, int w) {
    const std::string t(rt::trim(s));
    return t.size() >= static_cast<size_t>(w) ? t.substr(0, w) : std::string(w - t.size(), ' ') + t;
}

void print_table(bool boundary) {
    const int32_t ncol = std::min<int32_t>(PLTCTL.NLSCOL, MAXCOL);
    PLTCTL.NLSCOL = 0;
    if (ncol == 0) return;  // nothing selected in this group: no table
    const std::vector<ListRow> rows = boundary ? boundary_rows() : profile_rows();
    for (int32_t b = 1; b <= NETDSC.NBR && b <= MXBR; ++b) {
        if (PLTCTL.IPROPT & 1) {
            put(" BRANCH NO." + rt::fI(b, 3));
            put(" -------------");
        }
        std::string names = boundary ? "PIPE SECT.    ZZ  " : "PIPE SECT.   ZZVOL";
        std::string units = " NO.  NO.     (M) ";
        for (int32_t c = 0; c < ncol; ++c) {
            names += right(std::string(PLTCTL.NMLSCOL[c], 6), 14);
            units += right(std::string(PLTCTL.UNLSCOL[c], 6), 14);
        }
        put(names);
        put(units);
        put("");
        for (size_t r = 0; r < rows.size(); ++r) {
            if (rows[r].branch != b) continue;
            std::string line = rt::fI(pipe_in_branch(rows[r].section), 3) + "  " +
                               rt::fI(rows[r].section, 4) + rt::fF(rows[r].position, 11, 2);
            for (int32_t c = 0; c < ncol; ++c) {
                const bool has = static_cast<int32_t>(r) < PLTCTL.NRLSCOL(c + 1) && r < MXEQ;
                line += "  " + (has ? rt::fG(PLTCTL.VLSCOL(static_cast<int>(r) + 1, c + 1), 12, 4)
                                    : rt::fX(12));
            }
            put(line);
        }
    }
}

const SecF& zeros() {
    static const SecF z{};
    return z;
}

// The state array of a listed variable; zeros for one that has none.
const SecF& listed_array(int32_t id) {
    const SecF* a = real_array(id);
    return a ? *a : zeros();
}

void source_end_flows() {
    for (int32_t e = 1; e <= EQUIPM.NSOUR && e <= MXSRC; ++e) {
        const int32_t k = EQUIPM.ISOUR(e);
        if (k < 1 || k >= MXB) continue;
        for (int side = 0; side < 2; ++side) {
            int32_t i;
            float s;
            if (side == 0 && NETDSC.KSEC(k - 1) == 2) {
                i = k;
                s = 1.0f;
            } else if (side == 1 && NETDSC.KSEC(k + 1) == -2) {
                i = k + 1;
                s = -1.0f;
            } else {
                continue;
            }
            SECVAR.WG(i) = s * EQUIPM.WGSOUR(e);
            const float liq = s * EQUIPM.WLSOUR(e);
            const float be = SECVAR.BE(k), ga = SECVAR.GA(k);
            if (be + ga != 0.0f) {
                SECVAR.WL(i) = liq * be / (be + ga);
                SECVAR.WD(i) = liq * ga / (be + ga);
            }
            if (SECVAR.MG(k) > 1e-4f) SECVAR.UG(i) = SECVAR.WG(i) / SECVAR.MG(k);
            if (SECVAR.ML(k) > 1e-4f) SECVAR.UL(i) = SECVAR.WL(i) / SECVAR.ML(k);
            if (SECVAR.MD(k) > 1e-4f) SECVAR.UD(i) = SECVAR.WD(i) / SECVAR.MD(k);
        }
    }
}

// Per-branch lines of ten boundaries each, with one label per boundary.
void per_boundary_lines(const std::string& head,
                        const std::vector<std::pair<std::string, const SecI*>>& rows,
                        std::string (*label)(int32_t)) {
    for (int32_t b = 1; b <= NETDSC.NBR && b <= MXBR; ++b) {
        std::vector<int32_t> faces;
        for (int32_t i = 1; i <= nsec(); ++i)
            if (NETDSC.IBRSEC(i) == b) faces.push_back(i);
        put(" BRANCH NO." + rt::fI(b, 3));
        for (size_t at = 0; at < faces.size(); at += 10) {
            std::string line = head;
            for (size_t j = at; j < faces.size() && j < at + 10; ++j) line += rt::fI(faces[j], 4);
            put(line);
            for (const auto& [title, arr] : rows) {
                std::string l = title;
                for (size_t j = at; j < faces.size() && j < at + 10; ++j)
                    l += label((*arr)(faces[j]));
                put(l);
            }
        }
    }
}

std::string regime_label(int32_t id) {
    switch (id) {
        case 0:
            return "  - ";
        case 1:
            return "  ST";
        case 2:
            return "  AN";
        case 3:
            return "  SL";
        case 4:
            return "  BU";
        default:
            return "    ";
    }
}
std::string index_label(int32_t v) { return rt::fI(v, 4); }

}  // namespace

void PLTPRF(int32_t column, int32_t id, const float* values, int32_t& rows) {
    // values(s) for s = 1..nsec at values[s - 1].
    const std::vector<ListRow> r = profile_rows();
    auto v = [&](int32_t s) { return values[s - 1]; };
    const bool fraction = id == 63 || id == 64 || id == 65;
    rows = 0;
    for (const ListRow& row : r) {
        if (rows >= MXEQ) break;
        const int32_t s = row.section;
        float x;
        if (row.centre) {
            x = v(s);
        } else {
            const float dl = PIPGEO.DX(s - 1), dr = PIPGEO.DX(s);
            x = (dl + dr) > 0.0f ? (v(s - 1) * dr + v(s) * dl) / (dl + dr) : v(s);
            if (fraction) x = std::clamp(x, 0.0f, 1.0f);
            // Next to a closed or pressure-held end the pressure is the section's own.
            if (id == 74 && (NETDSC.KSEC(s - 1) != 0 || NETDSC.KSEC(s) != 0))
                x = NETDSC.KSEC(s) == 0 ? v(s) : v(s - 1);
        }
        ++rows;
        if (column >= 1 && column <= MAXCOL) PLTCTL.VLSCOL(rows, column) = x;
    }
}

void PLTSTO(int32_t id, int32_t& width, int32_t last, const float* values) {
    if (id <= 2) PLTCTL.NLSCOL = 0;
    const int32_t nbvar = IOUNIT.NBVAR > 0 ? IOUNIT.NBVAR : 30;
    if (selected(id) && id <= MXVAR && PLTCTL.NLSCOL < MAXCOL) {
        const int32_t c = ++PLTCTL.NLSCOL;
        std::memcpy(PLTCTL.NMLSCOL[c - 1], VARTAB.NAME[id - 1], 6);
        std::memcpy(PLTCTL.UNLSCOL[c - 1], VARTAB.UNIT[id - 1], 6);
        int32_t rows = 0;
        if (id <= nbvar) {
            for (int32_t i = 2; i <= last && i <= MXB; ++i)
                if (PLTCTL.IPRBND(i) > 0 && rows < MXEQ) PLTCTL.VLSCOL(++rows, c) = values[i];
        } else {
            PLTPRF(c, id, values + 1, rows);
        }
        PLTCTL.NRLSCOL(c) = rows;
    }
    if (id == nbvar || id == 260) {
        width = PLTCTL.NLSCOL;
        print_table(id == nbvar);
    } else if (PLTCTL.NLSCOL >= width) {
        print_table(id <= nbvar);
    }
}

void PRCOUT(int32_t unit) {
    for (int32_t at = 1; at <= CTRTAB.NCTR && at <= MXCTR; at += 8) {
        std::string no = "NO.    : ", ty = "TYPE   : ", out = "OUTPUT : ";
        for (int32_t c = at; c < at + 8 && c <= CTRTAB.NCTR && c <= MXCTR; ++c) {
            no += rt::fI(CTRTAB.ICTRNO(c), 12);
            ty += rt::fI(CTRTAB.ICTRTY(c), 12);
            out += rt::fG(CTRTAB.CONTR(c), 12, 4);
        }
        for (const std::string& l : {no, ty, out})
            if (!rt::write_line(unit, l)) throw RunFailure("ERROR WRITING THE RUN LOG");
    }
}

void PRTRES() {
    source_end_flows();

    put("\f");
    put("RESULTS AT TIME T = " + rt::fF(RUNCTL.TIME, 15, 4) + "  S  ");
    put(std::string(39, '-'));
    put("SECTION BOUNDARY VARIABLES");
    put(std::string(26, '*'));

    const int32_t n = nsec();
    int32_t width = MAXCOL;
    for (int32_t id = 2; id <= 30; ++id) PLTSTO(id, width, n, listed_array(id).data());
    width = MAXCOL;
    for (int32_t id = 61; id <= 97; ++id)
        if (id != 70 && id != 71) PLTSTO(id, width, n, listed_array(id).data());
    PLTSTO(115, width, n, listed_array(115).data());
    PLTSTO(260, width, n, zeros().data());

    if (selected(38) || selected(41) || selected(59) || selected(60)) {
        put("LIQUID AND GAS CONTENT");
        for (int32_t b = 1; b <= NETDSC.NBR && b <= MXBR; ++b) {
            float bulk = 0, drop = 0, gas = 0;
            for (int32_t s = 1; s <= n; ++s) {
                if (NETDSC.IBRSEC(s) != b || NETDSC.KSEC(s) != 0 || NETDSC.JBND(s) > 0) continue;
                const float vol = PIPGEO.DX(s) * PIPGEO.SECAREA(s);
                if (SECVAR.ROL(s) > 1e-6f) {
                    bulk += SECVAR.ML(s) * vol / SECVAR.ROL(s);
                    drop += SECVAR.MD(s) * vol / SECVAR.ROL(s);
                }
                if (SECVAR.ROG(s) > 1e-6f) gas += SECVAR.MG(s) * vol / SECVAR.ROG(s);
            }
            put("BRANCH NO." + rt::fI(b, 3));
            put("LIQUID BULK    :" + rt::fG(bulk, 12, 4) + " M3");
            put("LIQUID DROPLET :" + rt::fG(drop, 12, 4) + " M3");
            put("TOTAL LIQUID   :" + rt::fG(bulk + drop, 12, 4) + " M3");
            put("GAS            :" + rt::fG(gas, 12, 4) + " M3");
        }
    }

    if (selected(31) || selected(40)) {
        put("FLOW REGIME INDICATOR");
        for (const char* l :
             {"ID(J)", "ST     STRATIFIED FLOW", "AN     ANNULAR FLOW", "SL     SLUG FLOW",
              "BU     BUBBLE FLOW", "FB     FORCED BUBBLE FLOW", "-      REGIME NOT DEFINED"})
            put(l);
        per_boundary_lines("SECTION BOUNDARY: ", {{"REGIME INDICATOR: ", &SECVAR.ID}},
                           regime_label);
    }

    if (selected(43) || selected(44) || selected(54)) {
        put("FLOW DIRECTIONAL INDEX");
        per_boundary_lines("SECTION BOUNDARY: ",
                           {{"LIQUID INDEX  JUL:", &SECVAR.JUL},
                            {"GAS INDEX     JUG:", &SECVAR.JUG},
                            {"DROPLET INDEX JUD:", &SECVAR.JUD}},
                           index_label);
    }

    if (EQUIPM.NSOUR > 0) {
        put("MASS SOURCE INFORMATION :");
        for (int32_t b = 1; b <= NETDSC.NBR && b <= MXBR; ++b) {
            bool head = false;
            int32_t within = 0;
            for (int32_t e = 1; e <= EQUIPM.NSOUR && e <= MXSRC; ++e) {
                const int32_t k = EQUIPM.ISOUR(e);
                if (k < 0 || k > MXB || NETDSC.IBRSEC(k) != b) continue;
                if (!head) {
                    put("BRANCH NO." + rt::fI(b, 3));
                    put("SOURCE    SECTION      GAS       LIQUID    ENTHALPY    SOURCE");
                    put("NO.       IN BRANCH    SOURCE    SOURCE    SOURCE      TEMP. ");
                    put(" (-)         (-)       (KG/S)    (KG/S)     (W/M3)     (DEG C)");
                    head = true;
                }
                ++within;
                const float a = PIPGEO.SECAREA(k);
                put(rt::fI(within, 4) + rt::fI(k - NETDSC.ISECBR(b) + 1, 12) +
                    rt::fG(EQUIPM.WGSOUR(e) * a, 10, 3) + rt::fG(EQUIPM.WLSOUR(e) * a, 10, 3) +
                    rt::fG(0.0, 12, 3) + rt::fF(SECVAR.TM(k), 10, 2));
            }
        }
    }

    if (EQUIPM.NLEAK > 0) {
        put("LEAKAGE WITH CONTROLLED FLOW AREA :");
        for (int32_t l = 1; l <= EQUIPM.NLEAK && l <= MXLEK; ++l) {
            const int32_t k = EQUIPM.ILKSEC(l);
            if (k < 0 || k > MXB) continue;
            const int32_t b = NETDSC.IBRSEC(k);
            put("BRANCH NO." + rt::fI(b, 3));
            put("CRITICAL/SUBCRITICAL FLOW IN LEAK " + rt::fI(l, 3) + rt::fI(k, 5));
            put("JJ   JLEAK(JJ)   TOTAL LEAK   GAS LEAK     LIQ. LEAK  ENTHALPY    ");
            put(" -     -            KG/S        KG/S        KG/S        W/M3      ");
            const float a = PIPGEO.SECAREA(k);
            put(rt::fI(l, 2) + rt::fI(k, 10) + rt::fG(LEKRES.GTLEAK(l), 13, 4) +
                rt::fG(LEKRES.WGLEAK(l) * a, 12, 4) + rt::fG(LEKRES.WLLEAK(l) * a, 12, 4) +
                rt::fG(0.0, 12, 4));
        }
    }

    if (selected(49)) {
        put("CONTROLLERS");
        PRCOUT(IOUNIT.IULOG);
    }
}

}  // namespace rel
