// The plot curves of a run: which time series the result file holds, where
// each one sits in the network, and the labels that locate it in the header.
#include <cstring>
#include <string>
#include <vector>

#include "output/catalogue.h"
#include "output/plot.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {

int32_t first_plot_section(int32_t type) { return (type == 0 || type == 1) ? 2 : 1; }

int32_t branch_offset(int32_t b) {
    int32_t off = 0;
    for (int32_t i = 1; i < b && i <= MXBR; ++i) off += NETDSC.NSECBR(i);
    return off;
}

namespace {

bool in_range(int32_t id, int32_t lo, int32_t hi) { return id >= lo && id <= hi; }

bool is_branch_total(int32_t id) {
    return id == 38 || id == 41 || id == 59 || id == 60 || in_range(id, 184, 191) ||
           in_range(id, 197, 200);
}
bool is_source_var(int32_t id) {
    return in_range(id, 135, 138) || in_range(id, 143, 149) || id == 161;
}

// The check blocks go to the run log. Before the log is open they reach no
// file; the curve check itself has already set the error flag.
void log_block(const std::vector<std::string>& lines) {
    const int unit = IOUNIT.IULOG;
    rt::write_line(unit, "");
    rt::write_line(unit, "");
    for (const std::string& l : lines) rt::write_line(unit, "     " + l);
}

// A check block is followed by a step back on the input unit so that a deck
// reader reads the offending record again; the library never opens that unit.
void step_back_input() {
    if (rt::is_open(IOUNIT.IUIN)) rt::backspace(IOUNIT.IUIN);
}

std::string name_of(int32_t id) {
    if (id < 1 || id > MXNAM) return std::string(6, ' ');
    return std::string(VARNAM.SHORT[id - 1], 6);
}

std::string I4(long long v) { return rt::fI(v, 4); }
std::string I3(long long v) { return rt::fI(v, 3); }

bool is_leak_section(int32_t sec) {
    for (int32_t l = 1; l <= EQUIPM.NLEAK && l <= MXLEK; ++l)
        if (EQUIPM.ILKSEC(l) == sec) return true;
    return false;
}

void store(int32_t k, int32_t slot, int32_t value) {
    if (slot >= 1 && slot <= MXB) PLTCTL.IPCURV(slot, k) = value;
}

}  // namespace

void PLTCHK(int32_t k, int32_t b, int32_t p, int32_t type, int32_t nsec, int32_t offset,
            int32_t& IERR, char* MSG, int32_t LMSG) {
    const int32_t id = PLTCTL.IVCURV(k);
    const int32_t points = PLTCTL.NPCURV(k);
    const int32_t slot = points + 1;
    const int32_t s = first_plot_section(type);
    const std::string name = name_of(id);
    const bool p_valid = p >= 1 && p <= nsec - s + 1;
    const int32_t global = offset + p + s - 1;

    auto accept = [&](int32_t value) {
        store(k, slot, value);
        if (slot <= MXB) PLTCTL.NPCURV(k) = slot;
    };
    auto reject = [&](const std::vector<std::string>& lines) {
        store(k, slot, p);
        IERR = 1;
        log_block(lines);
        step_back_input();
    };
    const std::vector<std::string> out_of_range = {
        "ERROR IN GROUP INTERFACE FILE", "BRANCH NUMBER:" + I3(b), "VARIABLE NAME: " + name,
        I3(p) + " IS AN INVALID SECTION NUMBER FOR THIS BRANCH"};

    if (id == 49 || id == 171) {
        const int32_t nctr = CTRTAB.NCTR;
        if (nctr < slot) {
            if (id == 49)
                reject({"ERROR IN GROUP INTERFACE FILE",
                        "ATTEMPTING TO PLOT TOO MANY CONTROLLER SIGNALS ",
                        "THE TOTAL NUMBER OF CONTROLLERS IS " + I4(nctr)});
            else
                reject({"ERROR IN GROUP INTERFACE FILE",
                        "ATTEMPTING TO PLOT PRESSURE DIFFERENCE BETWEEN ",
                        "A PIPE SECTION AND ITS CORRESPONDING FORMATION ",
                        "PRESSURE FOR TOO MANY CONTROLLERS.",
                        "THE TOTAL NUMBER OF CONTROLLERS IS " + I4(nctr)});
            return;
        }
        int32_t found = 0;
        for (int32_t c = 1; c <= nctr && c <= MXCTR; ++c)
            if (CTRTAB.ICTRNO(c) == p) found = c;
        if (found == 0) {
            reject({"ERROR IN GROUP INTERFACE FILE", I4(p) + " IS AN INVALID CONTROLLER NUMBER "});
            return;
        }
        accept(found);
        return;
    }
    if (in_range(id, 100, 106)) {
        if (EQUIPM.NLEAK < slot) {
            reject({"ERROR IN GROUP INTERFACE",
                    "ATTEMPTING TO PLOT " + name + " IN BRANCH " + I4(b),
                    "ATTEMPTING TO PLOT LEAK DATA FOR TOO MANY LEAKS",
                    "THE TOTAL NUMBER OF LEAKS IS " + I4(EQUIPM.NLEAK)});
            return;
        }
        if (!p_valid) {
            reject(out_of_range);
            return;
        }
        if (!is_leak_section(global)) {
            reject({"ERROR IN GROUP INTERFACE",
                    "ATTEMPTING TO PLOT " + name + " IN BRANCH " + I4(b),
                    "NO LEAKS IN SECTION " + I4(p) + " IN THIS BRANCH"});
            return;
        }
        accept(global);
        return;
    }
    if (is_source_var(id)) {
        int32_t before = 0, q = 0;
        for (int32_t e = 1; e <= EQUIPM.NSOUR && e <= MXSRC; ++e) {
            const int32_t sec = EQUIPM.ISOUR(e);
            const int32_t br = (sec >= 0 && sec <= MXB) ? NETDSC.IBRSEC(sec) : 0;
            if (br < b) ++before;
            if (br == b) ++q;
        }
        if (q < 1) {
            reject({"ERROR IN GROUP INTERFACE FILE:",
                    "ATTEMPTING TO PLOT " + name + ", IN BRANCH " + I4(b) + ",",
                    "BUT NO SOURCES HAS BEEN SPECIFIED IN BRANCH " + I4(b)});
            return;
        }
        if (p < 1 || p > q) {
            reject({"ERROR IN GROUP INTERFACE FILE:",
                    "ATTEMPTING TO PLOT " + name + ", IN BRANCH " + I4(b),
                    "ILLEGAL SOURCE NUMBER: " + I4(p),
                    "THERE ARE " + I4(q) + " SOURCES IN BRANCH " + I4(b)});
            return;
        }
        accept(before + p);
        return;
    }
    if (is_branch_total(id)) {
        accept(b);
        return;
    }
    if (!p_valid) {
        store(k, slot, p);
        IERR = 1;
        log_block(out_of_range);
        setmsg(MSG, LMSG, "ERROR IN PLOT DEF. FOR " + name);
        return;
    }
    accept(global);
}

void TBSRCH(int32_t k, int32_t i0, int32_t lower, int32_t upper, int32_t& first, int32_t& last,
            int32_t& found) {
    const int32_t m = PLTCTL.NPCURV(k);
    first = last = 0;
    found = FALSE_;
    int32_t j = i0 + 1;
    if (j > m) return;
    while (PLTCTL.IPCURV(j, k) < lower) {
        ++j;
        if (j > m) return;
    }
    first = j;
    for (j = first; j <= m; ++j) {
        if (PLTCTL.IPCURV(j, k) > upper) {
            if (j != first) {
                last = j - 1;
                found = TRUE_;
            }
            return;
        }
    }
    last = m;
    found = TRUE_;
}

void PLTDEF(int32_t& IERR, char* MSG, int32_t LMSG) {
    const int32_t N = NETDSC.NBR;
    const int32_t n = release_curve_count(N);
    PLTCTL.NCURV = n;
    if (n > MXCURV) {
        refuse(IERR, MSG, LMSG, "ATTEMPTS TO PLOT TOO MANY CURVES");
        return;
    }

    // Plot phases: a sparse warm-up, dense rows while the leak opens, then
    // rows paced by the expected end of the release.
    PLTCTL.NPHASE = 3;
    PLTCTL.IPHASE = 1;
    PLTCTL.PHINT(1) = 2850.0f;
    PLTCTL.PHEND(1) = 11380.0f;
    PLTCTL.PHINT(2) = 1.0f;
    PLTCTL.PHEND(2) = 13200.0f;
    PLTCTL.PHINT(3) = 120.0f;
    PLTCTL.PHLAST = 0.0f;
    // The schedule's memory starts clear in every run, so that the same input
    // gives the same rows whatever ran before in the process.
    PLTCTL.QLKPRV = 0.0f;
    PLTCTL.TLKPRV = 0.0f;
    RUNCTL.ROWPH3 = 0.0f;

    // Where the leak sits: its branch and its plot position in that branch.
    const int32_t lsec = EQUIPM.NLEAK >= 1 ? EQUIPM.ILKSEC(1) : 0;
    int32_t lbr = (lsec >= 1 && lsec <= MXB) ? NETDSC.IBRSEC(lsec) : 0;
    if (lbr < 1 || lbr > N) lbr = 1;
    const int32_t lpos = lsec - branch_offset(lbr) - first_plot_section(NETDSC.ITYPBR(lbr)) + 1;

    static const char* const LEAK_CURVES[RELEASE_LEAK_CURVES] = {
        "MASSLK", "GTLEAK", "WGLEAK", "WLLEAK", "QGSTLK", "QLSTLK", "QGLEAK",
        "QLLEAK", "ROGLK",  "ROLLK",  "PT",     "TM",     "SIG"};
    for (int32_t k = 1; k <= n; ++k) {
        PLTCTL.NPCURV(k) = 0;
        const char* key;
        int32_t b, p;
        // The kinds in the order of the public header, each branch from it.
        const int32_t L = RELEASE_LEAK_CURVES;
        b = release_curve_branch(k, N);
        p = 1;
        if (k <= L) {
            key = LEAK_CURVES[k - 1];
            b = lbr;
            p = lpos;
        } else if (k <= N + L) {
            key = "PT";
        } else if (k == N + L + 1) {
            key = "PT";
            p = NETDSC.NSECBR(N) - (NETDSC.ITYPBR(N) == 0 ? 2 : 1);
        } else if (k <= 2 * N + L + 1) {
            key = "LIQC";
        } else if (k == 2 * N + L + 2) {
            key = "GT";
            p = NETDSC.NSECBR(N) - (NETDSC.ITYPBR(N) == 0 ? 1 : 0);
        } else if (k == 2 * N + L + 3) {
            key = "HT";
        } else {
            key = "VOLGBL";
        }
        rt::assign(PLTCTL.KEYCRV[k - 1], 6, key);

        const int32_t id = varnam_lookup(PLTCTL.KEYCRV[k - 1]);
        if (id == 0)
            refuse(IERR, MSG, LMSG, "Unknown variable " + std::string(PLTCTL.KEYCRV[k - 1], 6));
        else
            PLTCTL.IVCURV(k) = id;

        if (b < 1 || b > MXBR) {
            IERR = 1;
            continue;
        }
        PLTCHK(k, b, p, NETDSC.ITYPBR(b), NETDSC.NSECBR(b), branch_offset(b), IERR, MSG, LMSG);
    }
}

void PLTLAB(int32_t& IERR, char* MSG, int32_t LMSG) {
    const int32_t N = NETDSC.NBR;
    for (int32_t k = 1; k <= PLTCTL.NCURV && k <= MXCURV; ++k) {
        const int32_t id = PLTCTL.IVCURV(k);
        const int32_t m = PLTCTL.NPCURV(k);
        if (is_branch_total(id)) {
            if (m >= 1) {
                PLTCTL.ICCURV(k) = 1;
                PLTCTL.IBCURV(k) = PLTCTL.IPCURV(m, k);
            }
        } else if (id == 49) {
            if (m >= 1) {
                PLTCTL.ICCURV(k) = PLTCTL.IPCURV(m, k);
                PLTCTL.IBCURV(k) = 1;
            }
        } else if (is_source_var(id)) {
            for (int32_t j = 1; j <= m; ++j) {
                const int32_t entry = PLTCTL.IPCURV(j, k);
                if (entry < 1 || entry > MXSRC) continue;
                const int32_t sec = EQUIPM.ISOUR(entry);
                const int32_t br = (sec >= 0 && sec <= MXB) ? NETDSC.IBRSEC(sec) : 0;
                int32_t within = 0;
                for (int32_t e = 1; e <= entry; ++e) {
                    const int32_t se = EQUIPM.ISOUR(e);
                    if (se >= 0 && se <= MXB && NETDSC.IBRSEC(se) == br) ++within;
                }
                PLTCTL.IBCURV(k) = br;
                PLTCTL.ICCURV(k) = within;
            }
        } else if (id == 180) {
            if (m >= 1) {
                PLTCTL.ICCURV(k) = PLTCTL.IPCURV(1, k);
                PLTCTL.IBCURV(k) = 1;
            }
        } else {
            int32_t u = 0;
            for (int32_t b = 1; b <= N && b <= MXBR; ++b) {
                const int32_t off = branch_offset(b);
                const int32_t s = first_plot_section(NETDSC.ITYPBR(b));
                int32_t first, last, found;
                TBSRCH(k, u, off + s, off + NETDSC.NSECBR(b), first, last, found);
                if (is_true(found)) {
                    PLTCTL.ICCURV(k) = PLTCTL.IPCURV(last, k) - off - s + 1;
                    PLTCTL.IBCURV(k) = b;
                    u += last - first + 1;
                }
            }
        }
    }
    if (!PLTHED()) refuse(IERR, MSG, LMSG, "ERROR WRITING THE HEADER OF THE RESULT FILE");
}

}  // namespace rel
