// The profile table and the state dump on the dump unit, the position list
// of a plot curve and the default profile settings.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "deck/deck.h"
#include "deck/values.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/state.h"

namespace rel {

using rt::fF;
using rt::fI;

namespace {

// Ids the gatherer and the dump serve.
bool gathered(int32_t id) {
    return (id >= 2 && id <= 30) || id == 40 || id == 43 || id == 44 || id == 45 || id == 54 ||
           (id >= 61 && id <= 69) || (id >= 72 && id <= 92) || id == 95 || id == 115;
}

std::string right(const std::string& s, int w) {
    return static_cast<int>(s.size()) >= w ? s : std::string(w - s.size(), ' ') + s;
}

// The gathered column of profile variable K: its values at the cells of its
// list, at most one column. False when a value could not be read.
bool column(int32_t K, std::vector<float>& col, int32_t& IERR, char* MSG, int32_t LMSG) {
    const int32_t id = PLTCTL.IPRVID(K);
    const int32_t n = std::min(PLTCTL.NPCELL(K), Pltctl::MXPCEL);
    for (int32_t j = 1; j <= n; ++j) {
        float v = 0.0f;
        const auto got = deck::value_of(id, PLTCTL.IPCELL(j, K), v, true);
        if (got == deck::Got_t::bad_index) {
            refuse(IERR, MSG, LMSG,
                   "Profile plot: cell " + std::to_string(PLTCTL.IPCELL(j, K)) +
                       " outside the state for variable id " + std::to_string(id));
            return false;
        }
        if (got == deck::Got_t::value) col[j - 1] = v;
    }
    return true;
}

bool put(int unit, const std::string& line, int32_t& IERR, char* MSG, int32_t LMSG) {
    if (rt::write_line(unit, line)) return true;
    refuse(IERR, MSG, LMSG, "Cannot write to unit " + std::to_string(unit));
    return false;
}

}  // namespace

void PLTGAT(int32_t& IERR, char* MSG, int32_t LMSG) {
    const int u = IOUNIT.IUDMP;
    const int32_t nv = std::min(PLTCTL.NPRVAR, Pltctl::MXPRV);
    std::vector<std::vector<float>> cols(nv, std::vector<float>(Pltctl::MXPCEL, 0.0f));
    std::vector<std::string> names(nv), units(nv);
    for (int32_t k = 1; k <= nv; ++k) {
        const int32_t id = PLTCTL.IPRVID(k);
        if (id >= 1 && id <= MXVAR) {
            names[k - 1] = std::string(VARTAB.NAME[id - 1], 6);
            units[k - 1] = std::string(VARTAB.UNIT[id - 1], 6);
        } else {
            names[k - 1] = units[k - 1] = std::string(6, ' ');
        }
        if (gathered(id) && !column(k, cols[k - 1], IERR, MSG, LMSG)) return;
    }
    if (PLTCTL.NPRPT == 0) SECXYZ();

    // Lines of fields followed by ten profile values at most, then more lines of ten.
    auto emit = [&](std::string first, const std::vector<std::string>& items) {
        size_t k = 0;
        do {
            std::string l = k == 0 ? first : std::string();
            for (size_t m = 0; m < 10 && k < items.size(); ++m, ++k) l += items[k];
            if (!put(u, l, IERR, MSG, LMSG)) return false;
        } while (k < items.size());
        return true;
    };

    if (!put(u, " ", IERR, MSG, LMSG)) return;
    if (!put(u, " Simulation Time = " + fF(RUNCTL.TIME, 15, 2) + " s", IERR, MSG, LMSG)) return;
    if (!put(u, " ", IERR, MSG, LMSG)) return;
    std::vector<std::string> marks, heads;
    for (int32_t k = 0; k < nv; ++k) {
        marks.push_back(std::string(9, ' ') + names[k]);
        heads.push_back(std::string(9, ' ') + units[k]);
    }
    const std::string marker = " " + right("-", 6) + right("-", 9) + right("-", 12) +
                               right("depth", 12) + right("-", 12) + right("-", 12) +
                               right("depth", 12) + right("-", 12);
    if (!emit(marker, marks)) return;
    const std::string heading = " Branch  Section" + right("XV[m]", 12) + right("YV[m]", 12) +
                                right("ZV[m]", 12) + right("XB[m]", 12) + right("YB[m]", 12) +
                                right("ZB[m]", 12);
    if (!emit(heading, heads)) return;
    for (int32_t j = 1; j <= PLTCTL.NPRPT && j <= Pltctl::MXPCEL; ++j) {
        std::string row = " " + fI(PLTCTL.IPRPBR(j), 6) + fI(PLTCTL.IPRPSE(j), 9);
        for (int k = 1; k <= 6; ++k) row += fF(PLTCTL.XYZPRF(k, j), 12, 1);
        std::vector<std::string> vals;
        for (int32_t k = 0; k < nv; ++k) vals.push_back(fF(cols[k][j - 1], 15, 2));
        if (!emit(row, vals)) return;
    }
    deck::reset_volume_errors();
}

void DUMPST(int32_t& IERR, char* MSG, int32_t LMSG) {
    const int u = IOUNIT.IUDMP;
    if (!put(u, rt::list(RUNCTL.TIME), IERR, MSG, LMSG)) return;
    for (int32_t k = 1; k <= std::min(PLTCTL.NPRVAR, Pltctl::MXPRV); ++k) {
        if (!gathered(PLTCTL.IPRVID(k))) continue;
        std::vector<float> col(Pltctl::MXPCEL, 0.0f);
        if (!column(k, col, IERR, MSG, LMSG)) return;
        std::string rec;
        for (int32_t j = 1; j <= std::min(PLTCTL.NPCELL(k), Pltctl::MXPCEL); ++j)
            rec += rt::list(col[j - 1]);
        if (!put(u, rec, IERR, MSG, LMSG)) return;
    }
    deck::reset_volume_errors();
}

void CRVPOS(int32_t K, int32_t IBR, int32_t IFIRST, int32_t ILAST, int32_t IROW, int32_t& NCOUNT) {
    if (K < 1 || K > MXCURV) return;
    const int32_t id = PLTCTL.IVCURV(K);
    std::vector<int32_t> pos;
    auto in = [](int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; };
    if (in(id, 1, 35) || id == 40 || id == 43 || id == 44 || in(id, 50, 54) || in(id, 118, 123)) {
        for (int32_t p = 1; p <= ILAST - IFIRST + 1; ++p) pos.push_back(p);
    } else if (id == 45 || in(id, 61, 117) || in(id, 124, 134)) {
        for (int32_t p = 1; p <= ILAST - IFIRST; ++p) pos.push_back(p);
    } else if (id == 49 || id == 171) {
        for (int32_t c = 1; c <= std::min(CTRTAB.NCTR, MXCTR); ++c) pos.push_back(CTRTAB.ICTRNO(c));
    } else if (in(id, 135, 138) || in(id, 143, 149) || id == 161 || in(id, 150, 157)) {
        const bool valves = in(id, 150, 157);
        const int32_t n = valves ? std::min(EQUIPM.NVSRC, MXVSRC) : std::min(EQUIPM.NSOUR, MXSRC);
        int32_t inb = 0;
        for (int32_t k = 1; k <= n; ++k) {
            const int32_t c = valves ? EQUIPM.IVSSEC(k) : EQUIPM.ISOUR(k);
            if (c >= 1 && c <= MXB && NETDSC.IBRSEC(c) == IBR) ++inb;
        }
        for (int32_t m = 1; m <= inb; ++m) pos.push_back(SRCIDX(valves ? 150 : 135, IBR, m));
    } else if (id == 175) {
        for (int32_t c = 1; c <= std::min(EQUIPM.NCHKL, MXCHK); ++c) {
            const int32_t s = EQUIPM.ICHSEC(c);
            if (s >= 1 && s <= MXB && NETDSC.IBRSEC(s) == IBR) pos.push_back(c);
        }
    } else if (id == 38 || id == 41 || id == 59 || id == 60 || in(id, 184, 191) ||
               in(id, 197, 200)) {
        PLTCTL.NPCURV(K) = 1;
        NCOUNT = 1;
        return;
    } else {
        NCOUNT = PLTCTL.NPCURV(K);
        return;
    }
    // Positions beyond the curve's list are not kept.
    int32_t n = 0;
    for (size_t m = 0; m < pos.size(); ++m) {
        const int32_t row = IROW + static_cast<int32_t>(m);
        if (row < 1 || row > MXB) break;
        PLTCTL.IPCURV(row, K) = pos[m];
        ++n;
    }
    PLTCTL.NPCURV(K) = n;
    NCOUNT = n;
}

// Default profile settings: the keywords PT, GT, HOL and LIQC mark their
// variables with the flags 1..4.
void PRFKEY(int32_t& IERR, char* MSG, int32_t LMSG) {
    static const char* keys[4] = {"PT    ", "GT    ", "HOL   ", "LIQC  "};
    for (int32_t k = 1; k <= MXCURV; ++k) PLTCTL.IPCURV(1, k) = 0;
    for (int32_t k = 1; k <= 4; ++k) {
        int32_t id = 0;
        for (int32_t i = 1; i <= MXNAM && !id; ++i)
            if (std::memcmp(VARNAM.SHORT[i - 1], keys[k - 1], 6) == 0) id = i;
        if (!id) {
            refuse(IERR, MSG, LMSG, std::string("Default profile: no variable ") + keys[k - 1]);
            return;
        }
        PLTCTL.IPLFLG(id) = k;
    }
}

// Positions 1..(ILAST - IFIRST + 1) of one branch range, each with its cell.
void PRFRNG(int32_t IFIRST, int32_t ILAST, int32_t IOFF) {
    PLTCTL.NDFPOS = 0;
    for (int32_t p = 1; p <= ILAST - IFIRST + 1 && p <= MXB; ++p) {
        PLTCTL.IDFCEL(p) = IFIRST + IOFF + p - 1;
        PLTCTL.NDFPOS = p;
    }
}

void PRFNET(int32_t& IERR, char* MSG, int32_t LMSG) {
    PRFKEY(IERR, MSG, LMSG);
    if (IERR != 0) return;
    PLTCTL.NDFPOS = 0;
    int32_t off = 0;
    for (int32_t b = 1; b <= NETDSC.NBR && b <= MXBR; ++b) {
        const int32_t t = NETDSC.ITYPBR(b), R = (t == 0 || t == 1) ? 2 : 1;
        for (int32_t p = 1; p <= NETDSC.NSECBR(b) - R + 1 && PLTCTL.NDFPOS < MXB; ++p)
            PLTCTL.IDFCEL(++PLTCTL.NDFPOS) = off + p + R - 1;
        off += NETDSC.NSECBR(b);
    }
}

}  // namespace rel
