// Readers of the deck groups that fill the equipment lists and the profile
// plot: sources and void-fraction data (BOUNDARY CONDITION), source valves
// (SOVA), leakages (LEAK) and profile variables (PROFILE PLOT).
//
// Every count is checked against the size of its table before anything is
// stored under it; entries beyond a table are read (so the deck stays in
// step) but not kept.
#include <cmath>
#include <string>
#include <vector>

#include "deck/deck.h"
#include "deck/record_input.h"
#include "rt/fortio.h"
#include "run/state.h"

namespace rel {

using deck::as_int;
using deck::as_real;
using deck::read_ints;
using deck::read_reals;
using deck::read_rec;
using deck::report;
using rt::fI;

namespace {

// Boundary sections of a branch: an inlet branch has its inlet and end section.
int32_t boundary_sections(int32_t IBFLG) { return (IBFLG == 0 || IBFLG == 1) ? 2 : 1; }

std::string name6(const char* p) { return std::string(p, 6); }

bool valid_cell(int32_t cell) { return cell >= 1 && cell <= MXSEC; }

// Diameter of the pipe that holds a cell, 0 when the cell has no pipe.
float pipe_diameter(int32_t cell) {
    if (!valid_cell(cell)) return 0.0f;
    int32_t p = PIPGEO.IPIPE(cell);
    return (p >= 1 && p <= MXPIPE) ? PIPGEO.DIAM(p) : 0.0f;
}

float area_factor(float cd, float d, float dpipe) {
    return dpipe > 0.0f ? cd * (d / dpipe) * (d / dpipe) : 0.0f;
}

}  // namespace

// ---------------------------------------------------------------- sources
int32_t RDSOUR(int32_t IBFLG, int32_t NNEW, int32_t ISEC0, int32_t NSECB, int32_t& IERR) {
    const int32_t R = boundary_sections(IBFLG);
    const int32_t nmax = NSECB - R;
    const int32_t first = EQUIPM.NSOUR - NNEW;  // the new sources are already counted
    const std::string head = "ERROR IN GROUP BOUNDARY COND. - ";
    std::vector<bool> usable(NNEW + 1, false);

    for (int32_t k = 1; k <= NNEW; ++k) {
        const int32_t idx = first + k;
        const bool keep = idx >= 1 && idx <= MXSRC;
        int32_t isec = 0, ntp = 0;
        if (!read_rec({as_int(isec), as_int(ntp)})) {
            report({head + "TRIED TO READ", "THE SECTION NUMBER FOR SOURCE NUMBER" + fI(k, 4)});
            IERR = 1;
            return 1;
        }
        bool ok = true;
        if (isec < 1 || isec > nmax) {
            report({head + "SOURCE NUMBER",
                    fI(k, 4) + " IS OUT OF RANGE :" + fI(isec, 4) + " SECTION NUMBER WHERE",
                    "SOURCE IS GIVEN MUST BE BETWEEN 1 AND ", "NUMBER OF SECTIONS," + fI(nmax, 4)});
            IERR = 1;
            ok = false;
        }
        bool ntp_ok = true;
        if (ntp < 1 || ntp > 20) {
            report({head + "NUMBER OF TIME",
                    "POINTS FOR SOURCE NO." + fI(k, 4) + " IS OUT OF RANGE,",
                    "IT MUST BE A NUMBER BETWEEN 1 AND 20, NOT :" + fI(ntp, 4)});
            IERR = 1;
            ntp_ok = false;
        } else if (ntp > MXSRCT) {
            // More time points than the source tables hold.
            report({head + "NUMBER OF TIME",
                    "POINTS FOR SOURCE NO." + fI(k, 4) + " IS MORE THAN THE TABLES HOLD,",
                    "IT MUST BE A NUMBER BETWEEN 1 AND" + fI(MXSRCT, 3) + ", NOT :" + fI(ntp, 4)});
            IERR = 1;
            ntp_ok = false;
        }
        const int32_t cell = ok ? ISEC0 + R + isec - 1 : 0;
        if (keep) {
            EQUIPM.ISOUR(idx) = cell;
            EQUIPM.NTSOUR(idx) = ntp_ok ? ntp : 0;
        }

        static const char* what[4] = {
            "THE TIME POINTS FOR SOURCE NUMBER", "THE TEMPERATURES FOR SOURCE NUMBER",
            "THE GAS MASS FLOW FOR SOURCE NUMBER", "THE LIQUID MASS FLOW FOR SOURCE NUMBER"};
        float v[MXSRCT];
        for (int r = 0; r < 4; ++r) {
            bool got = ntp_ok ? read_reals(v, ntp) : deck::skip_rec();
            if (!got) {
                report({head + "TRIED TO READ", std::string(what[r]) + fI(k, 4)});
                IERR = 1;
                return 1;
            }
            if (!ntp_ok) continue;
            for (int32_t i = 1; i <= ntp; ++i) {
                if (r == 0 && v[i - 1] < 0.0f) {
                    report({head + "TIME POINT", "FOR RIGHT BOUNDARY PRESSURE ARE LESS THAN 0. :" +
                                                     rt::fG(v[i - 1], 12, 3)});
                    IERR = 1;
                }
                if (!keep) continue;
                if (r == 0) EQUIPM.TSOUR(i, idx) = v[i - 1];
                if (r == 1) EQUIPM.TMSOUR(i, idx) = v[i - 1];
                if (r == 2) EQUIPM.GSOUR(i, idx) = v[i - 1];
                if (r == 3) EQUIPM.LSOUR(i, idx) = v[i - 1];
            }
        }
        usable[k] = keep && ok && ntp_ok;
    }

    // The tables hold mass fluxes: rates over the flow area of the cell.
    for (int32_t k = 1; k <= NNEW; ++k) {
        const int32_t idx = first + k;
        if (idx < 1 || idx > MXSRC) continue;
        if (usable[k]) {
            const float a = PIPGEO.SECAREA(EQUIPM.ISOUR(idx));
            for (int32_t i = 1; i <= EQUIPM.NTSOUR(idx); ++i) {
                if (a > 0.0f) {
                    EQUIPM.GSOUR(i, idx) /= a;
                    EQUIPM.LSOUR(i, idx) /= a;
                }
            }
        }
        EQUIPM.WGSOUR(idx) = EQUIPM.NTSOUR(idx) > 0 ? EQUIPM.GSOUR(1, idx) : 0.0f;
        EQUIPM.WLSOUR(idx) = EQUIPM.NTSOUR(idx) > 0 ? EQUIPM.LSOUR(1, idx) : 0.0f;
        EQUIPM.W3SOUR(idx) = 0.0f;
    }
    return 0;
}

// ---------------------------------------------------------------- source valves and leakages
namespace {

// The two readers differ in their texts, their record of data and whether
// temperatures follow the pressures.
struct ValveGroup {
    bool leak;
    std::string head;  // first line of every message
};

// Reads the time table of entry k: a count, then times, pressures (and
// temperatures). Returns 1 on a failed read.
int32_t read_time_table(const ValveGroup& g, const std::string& who1, const std::string& who2,
                        int32_t idx, bool keep, int32_t& IERR) {
    const int32_t cap = g.leak ? MXSRCT : Equipm::MXSOVT;
    int32_t ntp = 0;
    if (!read_ints(&ntp, 1)) {
        report({g.head, who2, "TRIED TO READ NUMBER OF TIMEPOINTS "});
        IERR = 1;
        return 1;
    }
    bool ok = true;
    if (ntp > cap) {
        report({g.head, who1, "TOO MANY TIME POINTS SPECIFIED: " + fI(ntp, 4),
                "MAXIMUM NUMBER ALLOWED:         " + fI(cap, 4)});
        IERR = 1;
        ok = false;
    } else if (ntp < 0) {
        report({g.head, who1, "NUMBER OF TIME POINTS MUST NOT BE NEGATIVE: " + fI(ntp, 4)});
        IERR = 1;
        ok = false;
    }
    if (keep) (g.leak ? EQUIPM.NLKPB(idx) : EQUIPM.NTSOVA(idx)) = ok ? ntp : 0;

    const int nrec = g.leak ? 2 : 3;
    static const char* what[3] = {"TRIED TO READ TIMEPOINTS ", "TRIED TO READ PRESSURE POINTS ",
                                  "TRIED TO READ TEMPERATURE POINTS "};
    float v[Equipm::MXSOVT > MXSRCT ? Equipm::MXSOVT : MXSRCT];
    for (int r = 0; r < nrec; ++r) {
        bool got = ok ? read_reals(v, ntp) : deck::skip_rec();
        if (!got) {
            report({g.head, r == 0 ? who2 : who1, what[r]});
            IERR = 1;
            return 1;
        }
        if (!ok || !keep) continue;
        for (int32_t i = 1; i <= ntp; ++i) {
            if (g.leak)
                (r == 0 ? EQUIPM.TLKPB(i, idx) : EQUIPM.PLKPB(i, idx)) = v[i - 1];
            else if (r == 0)
                EQUIPM.TSOVT(i, idx) = v[i - 1];
            else if (r == 1)
                EQUIPM.PSOVT(i, idx) = v[i - 1];
            else
                EQUIPM.TMSOVT(i, idx) = v[i - 1];
        }
    }
    return 0;
}

}  // namespace

int32_t RDSOVA(int32_t IBR, int32_t IBFLG, int32_t ISEC0, int32_t NSECB, int32_t& IERR) {
    const ValveGroup g{false, "ERROR IN GROUP SOVA. "};
    const int32_t R = boundary_sections(IBFLG);
    const int32_t nmax = NSECB - R;
    int32_t n = 0;
    if (!read_ints(&n, 1)) {
        report({g.head, " BRANCH " + fI(IBR, 4), "TRIED TO READ NUMBER OF SOURCES WITH VALVES."});
        IERR = 1;
        return 1;
    }
    if (n == 0) return 0;
    if (n < 0) {
        report({g.head, " BRANCH " + fI(IBR, 4),
                "NUMBER OF SOURCES WITH VALVES IS NEGATIVE: " + fI(n, 4)});
        IERR = 1;
        return 1;
    }
    const int32_t first = EQUIPM.NVSRC;
    const int64_t total = static_cast<int64_t>(first) + n;
    if (total > MXVSRC) {
        report({g.head, "TOTAL NUMBER OF SOURCE VALVES TO BIG: " + fI(total, 4),
                "MAXIMUM NUMBER ALLOWED:               " + fI(MXVSRC, 4)});
        IERR = 1;
    }
    EQUIPM.NVSRC = static_cast<int32_t>(total > MXVSRC ? MXVSRC : total);

    for (int32_t k = 1; k <= n; ++k) {
        const int64_t idx = first + static_cast<int64_t>(k);
        const bool keep = idx <= MXVSRC;
        const std::string who = "SOURCE VALVE " + fI(k, 4) + ", BRANCH " + fI(IBR, 4);
        int32_t isec = 0, ictr = 0, ichk = 0;
        float cd = 0, dmax = 0, rs = 0;
        if (!read_rec({as_int(isec), as_real(cd), as_real(dmax), as_int(ictr), as_real(rs),
                       as_int(ichk)})) {
            report({g.head, who, "TRIED TO READ DATA FOR SOURCE VALVE "});
            IERR = 1;
            return 1;
        }
        bool sec_ok = true;
        if (isec < 1 || isec > nmax) {
            report({g.head, who, "SECTION NUMBER MUST BE WITHIN BRANCH: " + fI(isec, 4),
                    "BRANCH GOES FROM 1 TO " + fI(nmax, 4)});
            IERR = 1;
            sec_ok = false;
        }
        int32_t ieq = FALSE_;
        if (rs < 0.0f) {
            ieq = TRUE_;
        } else {
            report({g.head, who, "AT THE MOMENT ONLY NATURAL GAS UNDER ",
                    "EQUILIBRIUM CONDITIONES ARE ALLOWED ",
                    " ==> THE INPUT PARAMETER RSSOVA MUST BE NEGATIV ",
                    "NOT : " + rt::fF(rs, 6, 3)});
            IERR = 1;
        }
        const int32_t cell = sec_ok ? ISEC0 + R + isec - 1 : 0;
        if (keep) {
            const int32_t j = static_cast<int32_t>(idx);
            EQUIPM.CDVSRC(j) = cd;
            EQUIPM.DVSRC(j) = dmax;
            EQUIPM.ICTSOV(j) = ictr;
            EQUIPM.RSOVA(j) = std::fabs(rs);
            EQUIPM.ICHSOV(j) = ichk == 1 ? TRUE_ : FALSE_;
            EQUIPM.IEQSOV(j) = ieq;
            EQUIPM.AFSOVA(j) = sec_ok ? area_factor(cd, dmax, pipe_diameter(cell)) : 0.0f;
            EQUIPM.IVSSEC(j) = cell;
        }
        if (read_time_table(g, who, who, static_cast<int32_t>(keep ? idx : 0), keep, IERR))
            return 1;
    }
    return 0;
}

int32_t RDLEAK(int32_t IBR, int32_t IBFLG, int32_t ISEC0, int32_t NSECB, int32_t& IERR) {
    const ValveGroup g{true, "ERROR IN GROUP LEAK. "};
    const int32_t R = boundary_sections(IBFLG);
    const int32_t nmax = NSECB - R;
    int32_t n = 0;
    if (!read_ints(&n, 1)) {
        report({g.head, " BRANCH " + fI(IBR, 4), "TRIED TO READ NUMBER OF LEAKAGES. "});
        IERR = 1;
        return 1;
    }
    if (n == 0) return 0;
    if (n < 0) {
        report({g.head, " BRANCH " + fI(IBR, 4), "NUMBER OF LEAKAGES IS NEGATIVE: " + fI(n, 4)});
        IERR = 1;
        return 1;
    }
    const int32_t first = EQUIPM.NLEAK;
    const int64_t total = static_cast<int64_t>(first) + n;
    if (total > MXLEK) {
        report({g.head, "TOTAL NUMBER OF LEAKAGES TO BIG: " + fI(total, 4),
                "MAXIMUM NUMBER ALLOWED:               " + fI(MXLEK, 4)});
        IERR = 1;
    }
    EQUIPM.NLEAK = static_cast<int32_t>(total > MXLEK ? MXLEK : total);

    for (int32_t k = 1; k <= n; ++k) {
        const int64_t idx = first + static_cast<int64_t>(k);
        const bool keep = idx <= MXLEK;
        const std::string who1 = "LEAKAGE " + fI(k, 4) + ", BRANCH " + fI(IBR, 4);
        const std::string who2 = "LEAKAGE  " + fI(k, 4) + ", BRANCH " + fI(IBR, 4);
        int32_t isec = 0, inum = 0, ichk = 0;
        float cd = 0, dmax = 0;
        if (!read_rec({as_int(isec), as_real(cd), as_real(dmax), as_int(inum), as_int(ichk)})) {
            report({g.head, who2, "TRIED TO READ DATA FOR LEAKAGE "});
            IERR = 1;
            return 1;
        }
        if (inum < 0) {
            report({"ERROR IN GROUP LEAK.", "LEAKAGE NO. " + fI(k, 4) + " IN BRANCH " + fI(IBR, 3),
                    "HAS A NEGATIVE LEAK NUMBER : " + fI(inum, 4), "WHICH IS NOT ALLOWED."});
            IERR = 1;
        }
        bool sec_ok = true;
        if (isec < 1 || isec > nmax) {
            report({g.head, who1, "SECTION NUMBER MUST BE WITHIN BRANCH: " + fI(isec, 4),
                    "BRANCH GOES FROM 1 TO " + fI(nmax, 4)});
            IERR = 1;
            sec_ok = false;
        }
        const int32_t cell = sec_ok ? ISEC0 + R + isec - 1 : 0;
        if (keep) {
            const int32_t j = static_cast<int32_t>(idx);
            EQUIPM.ILKSEC(j) = cell;
            EQUIPM.CDLEAK(j) = cd;
            EQUIPM.DLEAK(j) = dmax;
            EQUIPM.ILKCTR(j) = inum;
            EQUIPM.ILKFLG(j) = ichk == 1 ? TRUE_ : FALSE_;
            EQUIPM.AFLEAK(j) = sec_ok ? area_factor(cd, dmax, pipe_diameter(cell)) : 0.0f;
        }
        if (read_time_table(g, who1, who2, static_cast<int32_t>(keep ? idx : 0), keep, IERR))
            return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- void-fraction boundary data
int32_t CHKBND(int32_t IB, int32_t IBR, int32_t& IERR) {
    const std::string head = "ERROR IN GROUP BOUNDARY CONDITION:";
    const std::string at = "FOR BOUNDARY " + fI(IB, 1) + " IN BRANCH " + fI(IBR, 2);
    const std::string bnd = "BOUNDARY " + fI(IB, 1) + " IN BRANCH " + fI(IBR, 2);
    if (IB < 1 || IB > 2 || IBR < 1 || IBR > MXBR) {
        report({head, "NO SUCH BRANCH END: " + bnd});
        IERR = 1;
        return 1;
    }
    auto failed = [&](std::vector<std::string> lines) {
        lines.insert(lines.begin(), head);
        report(lines);
        IERR = 1;
        return 1;
    };

    int32_t v = 0;
    if (!read_ints(&v, 1)) return failed({"TRIED TO READ VARIABLE IVARAL(IB,IBR)", at});
    if (v != 0 && v != 1)
        return failed(
            {"INPUT VARIABLE IVARAL(IB,IBR) FOR", bnd + " MUST BE", "0 OR 1, NOT " + fI(v, 6)});
    NETDSC.IVDFLG(IB, IBR) = v;
    if (v == 0) return 0;

    if (!read_ints(&v, 1)) return failed({"TRIED TO READ VARIABLE CONGOV(IB,IBR)", at});
    if (v != 0 && v != 1)
        return failed(
            {"INPUT VARIABLE CONGOV(IB,IBR) FOR", bnd + " MUST BE", "0 OR 1, NOT " + fI(v, 6)});
    NETDSC.IVDMOD(IB, IBR) = v;

    if (v == 0) {
        int32_t n = 0;
        if (!read_ints(&n, 1)) return failed({"TRIED TO READ VARIABLE NALTIM(IB,IBR)", at});
        if (n < 0 || n > 10)
            return failed({"INPUT VARIABLE NALTIM(IB,IBR) FOR", bnd + " MUST BE",
                           "BETWEEN 0 AND" + fI(10, 3) + ", NOT " + fI(n, 6)});
        float t[10], a[10];
        if (!read_reals(t, n)) return failed({"TRIED TO READ VARIABLE TIMAL(IB,IBR,I)", at});
        if (!read_reals(a, n)) return failed({"TRIED TO READ VARIABLE ALSER(IB,IBR,I)", at});
        NETDSC.NVDT(IB, IBR) = n;
        for (int32_t i = 1; i <= n; ++i) {
            NETDSC.TVDT(i, IB, IBR) = t[i - 1];
            NETDSC.AVDT(i, IB, IBR) = a[i - 1];
        }
        for (int32_t i = 1; i <= n; ++i)
            if (a[i - 1] < 0.0f || a[i - 1] > 1.0f)
                return failed({"INPUT VARIABLE ALSER(IB,IBR,I) FOR",
                               "TIME SERIES POINT " + fI(i, 2) + " BOUNDARY " + fI(IB, 1),
                               "IN BRANCH " + fI(IBR, 2) + " MUST BE BETWEEN 0.0 AND 1.0,",
                               "NOT " + rt::fG(a[i - 1], 12, 3)});
        return 0;
    }

    int32_t n = 0, sel = 0;
    if (!read_rec({as_int(n), as_int(sel)}))
        return failed({"TRIED TO READ VARIABLES NCONAL(IB,IBR)",
                       "AND BOUSEL(IB,IBR) FOR BOUNDARY " + fI(IB, 1), "IN BRANCH " + fI(IBR, 2)});
    if (sel != 0 && sel != 1)
        return failed({"INPUT VARIABLE BOUSEL(IB,IBR) FOR", bnd + " MUST",
                       "BE BETWEEN 0 OR 1, NOT " + fI(sel, 2)});
    if (n < 0 || n > 5)
        return failed({"INPUT VARIABLE NCONAL(IB,IBR) FOR", bnd + " MUST",
                       "BE BETWEEN 0 AND" + fI(5, 3) + ", NOT " + fI(n, 6)});
    NETDSC.NVDCTR(IB, IBR) = n;
    EQUIPM.BOUSEL(IB, IBR) = sel;
    int32_t c[5];
    if (!read_ints(c, n)) return failed({"TRIED TO READ VARIABLE CONRAL(IB,IBR,I)", at});
    for (int32_t i = 1; i <= n; ++i) NETDSC.IVDCTR(i, IB, IBR) = c[i - 1];
    float lo = 0, hi = 0;
    if (!read_rec({as_real(lo), as_real(hi)}))
        return failed({"TRIED TO READ VARIABLES ALBMIN(IB,IBR)",
                       "AND ALBMAX(IB,IBR) FOR BOUNDARY " + fI(IB, 1), "IN BRANCH " + fI(IBR, 2)});
    EQUIPM.ALBMIN(IB, IBR) = lo;
    EQUIPM.ALBMAX(IB, IBR) = hi;
    if (lo < 0.0f || lo > 1.0f)
        return failed({"INPUT VARIABLE ALBMIN(IB,IBR) FOR", bnd + " MUST",
                       "BE BETWEEN 0.0 AND 1.0, NOT " + rt::fG(lo, 12, 3)});
    if (hi < 0.0f || hi > 1.0f)
        return failed({"INPUT VARIABLE ALBMAX(IB,IBR) FOR", bnd + " MUST",
                       "BE BETWEEN 0.0 AND 1.0, NOT " + rt::fG(hi, 12, 3)});
    return 0;
}

// ---------------------------------------------------------------- profile plot
namespace {

// Id of the last short name equal to name (all six characters), 0 when none.
int32_t last_short_name(const char* name) {
    int32_t id = 0;
    for (int32_t i = 1; i <= MXNAM; ++i)
        if (std::equal(name, name + 6, VARNAM.SHORT[i - 1])) id = i;
    return id;
}

}  // namespace

int32_t RDPROF(int32_t IBR, int32_t& IERR, int32_t& NVAR, int32_t* IDX) {
    const std::string head = "ERROR IN GROUP PROFILE PLOT: ";
    const std::string br = "BRANCH " + fI(IBR, 3);
    NVAR = 0;
    auto failed = [&](std::vector<std::string> lines, bool step_back) {
        lines.insert(lines.begin(), head);
        report(lines);
        IERR = 1;
        if (step_back) rt::backspace(IOUNIT.IUIN);
        return 1;
    };
    int32_t n = 0;
    if (!read_ints(&n, 1))
        return failed(
            {"TRIED TO READ NUMBER OF VARIABLES ", "TO BE PLOTTED PROFILE PLOT OF IN ", br}, false);
    if (n == 0) return 0;
    if (n < 0 || n > Pltctl::MXPRV)
        return failed({"NUMBER OF VARIABLES TO BE PLOTTED MUST BE",
                       "BETWEEN 0 AND" + fI(Pltctl::MXPRV, 4) + ", NOT " + fI(n, 6) + " IN " + br},
                      true);
    std::vector<char> names(static_cast<size_t>(n) * 6);
    if (!deck::read_texts(names.data(), n, 6))
        return failed({"TRIED TO READ VARIABLES TO BE PLOTTED", "PROFILE PLOT OF IN " + br}, false);

    std::vector<int32_t> ids(n);
    for (int32_t k = 0; k < n; ++k) {
        ids[k] = last_short_name(&names[k * 6]);
        if (ids[k] == 0)
            return failed({"UNIDENTIFIED VARIABLE NAME " + name6(&names[k * 6]), "IN " + br}, true);
        for (int32_t m = 0; m < k; ++m)
            if (ids[m] == ids[k])
                return failed({"ATTEMPTS TO PLOT THE VARIABLE " + name6(&names[k * 6]),
                               "MORE THAN ONE TIME IN " + br},
                              true);
    }

    // Merge into the global list: a name already listed keeps its place.
    for (int32_t k = 0; k < n; ++k) {
        int32_t at = 0;
        for (int32_t m = 1; m <= PLTCTL.NPRVAR; ++m)
            if (std::equal(&names[k * 6], &names[k * 6] + 6, PLTCTL.PRVNAM[m - 1]))
                at = at ? at : m;
        if (at == 0) {
            if (PLTCTL.NPRVAR >= Pltctl::MXPRV)
                return failed({"TOO MANY DIFFERENT VARIABLES TO BE PLOTTED IN " + br}, true);
            at = ++PLTCTL.NPRVAR;
            std::copy(&names[k * 6], &names[k * 6] + 6, PLTCTL.PRVNAM[at - 1]);
            PLTCTL.IPRVID(at) = ids[k];
        }
        IDX[k] = at;
    }
    NVAR = n;
    return 0;
}

int32_t CHKPROF(int32_t K, int32_t IFIRST, int32_t ILAST, int32_t IOFF, int32_t& IERR) {
    const int32_t v = PLTCTL.IPRVID(K);
    int32_t last = 0;
    if (v <= 35 || v == 40 || v == 43 || v == 44 || v == 54) {
        last = ILAST;
    } else if (v == 45 || (v >= 61 && v <= 99) || v == 115) {
        last = ILAST - 1;
    } else {
        report({"ERROR IN GROUP PROFILE PLOT : ",
                "TRIED TO PLOT PROFILE PLOT OF VARIABLE " + name6(PLTCTL.PRVNAM[K - 1]) + ".",
                "IT IS NOT POSSIBLE TO HAVE A PROFILE PLOT", "OF THIS VARIABLE."});
        IERR = 1;
        rt::backspace(IOUNIT.IUIN);
        return 1;
    }
    const int32_t count = last - IFIRST + 1;
    if (count <= 0) return 0;
    if (PLTCTL.NPCELL(K) + count > Pltctl::MXPCEL) {
        report({"ERROR IN GROUP PROFILE PLOT : ",
                "TOO MANY CELLS FOR THE PROFILE PLOT OF VARIABLE " + name6(PLTCTL.PRVNAM[K - 1]),
                "AT MOST" + fI(Pltctl::MXPCEL, 5) + " CELLS ARE ALLOWED."});
        IERR = 1;
        rt::backspace(IOUNIT.IUIN);
        return 1;
    }
    for (int32_t c = IFIRST; c <= last; ++c) PLTCTL.IPCELL(++PLTCTL.NPCELL(K), K) = c + IOFF;
    return 0;
}

int32_t CHKVAR(const char* NAME, int32_t IUNIT, int32_t& IERR) {
    for (int32_t i = 1; i <= MXNAM; ++i)
        if (std::equal(NAME, NAME + 6, VARNAM.SHORT[i - 1])) return i;
    rt::write_line(IUNIT, " ERROR: " + name6(NAME) + " UNKNOWN VARIABLE");
    IERR = 1;
    return -1000;
}

void RDERR(int32_t IUIN, int32_t IUOUT, std::string_view EXPECT) {
    rt::backspace(IUIN);
    std::string rec;
    if (rt::read_line(IUIN, rec)) {
        rt::backspace(IUIN);
        rt::write_line(IUOUT, " READ ERROR:");
        rt::write_line(IUOUT, "");
        rt::write_line(IUOUT, "    TRIED TO READ: " + rt::fixed(EXPECT, 60));
        rt::write_line(IUOUT, "    ACTUALLY READ: " + rt::fixed(rec, 60));
        rt::write_line(IUOUT, "");
    } else {
        rt::write_line(IUOUT, "   ERROR ROUTINE FAILED!");
        rt::backspace(IUIN);
    }
}

}  // namespace rel
