// Flow devices of a run: the outlet choke, the leak, the controller that
// opens the leak, the boundary time checks, the area ratios at section faces
// and the flow-restriction table that the choke and leak models read.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "rt/fortio.h"
#include "run/constants.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/setup.h"
#include "run/state.h"

namespace rel {

namespace {
Netdsc& N = NETDSC;
Pipgeo& G = PIPGEO;
Equipm& E = EQUIPM;

int sections_before(int ibr) {
    int n = 0;
    for (int b = 1; b < ibr; ++b) n += N.NSECBR(b);
    return n;
}

// Writes the lines of a refusal to the log (each text line indented by five
// blanks) and returns them joined, for MSG.
std::string report(int blank_lines, std::initializer_list<std::string> lines) {
    std::string text;
    for (int i = 0; i < blank_lines; ++i) logline("");
    for (const std::string& l : lines) {
        if (l.empty()) {
            logline("");
            continue;
        }
        logline("     " + l);
        if (!text.empty()) text += ' ';
        text += l;
    }
    return text;
}
}  // namespace

// The outlet choke at the end of the outlet branch, closing over 10 s from
// the outlet closing time (never, when that is 0 or less).
void CHKCHO(float TCLOUT, int32_t& IERR, char* MSG, int32_t LMSG) {
    for (int b = 1; b <= N.NBR; ++b) {
        const int t = N.ITYPBR(b);
        if (t != 0 && t != 3) continue;
        if (E.NCHKL >= MXCHK) {
            refuse(IERR, MSG, LMSG, "NETWORK ERROR: MORE THAN 10 CHOKES");
            return;
        }
        const int c = ++E.NCHKL;
        const int s = sections_before(b) + N.NSECBR(b);
        E.ICHSEC(c) = s;
        E.ICHCTR(c) = -1;
        E.CHCON(c) = 1.0f;
        const float d = G.DIAM(G.NPIPE);
        const float a = 3.141593f * d * d * 0.25f;
        E.CHDIA(c) = d;
        E.CHAREA(c) = a;
        // A closing time beyond the end of the tables is never reached by a
        // run; capping it keeps its whole seconds within an integer.
        const float tc = std::min(TCLOUT, 1.0e9f);
        const float t1 =
            tc > 1.0f ? static_cast<float>(static_cast<int32_t>(tc)) + TLEAK : 1.0f + TLEAK;
        const float shut = TCLOUT > 0.0f ? 0.0f : 1.0f;
        E.NCHOT(c) = 4;
        E.TCHOT(1, c) = 0.0f;
        E.OCHOT(1, c) = 1.0f;
        E.TCHOT(2, c) = t1;
        E.OCHOT(2, c) = 1.0f;
        E.TCHOT(3, c) = t1 + 10.0f;
        E.OCHOT(3, c) = shut;
        E.TCHOT(4, c) = TEND;
        E.OCHOT(4, c) = shut;
        E.ICHFLG(c) = TRUE_;
        E.ICHFST(c) = TRUE_;
        E.ICHCOR(c) = FALSE_;
        E.CHBIG(1, c) = 1.0e6f;
        E.CHBIG(2, c) = 1.0e6f;
        if (N.JBND(s) < 0) {
            refuse(IERR, MSG, LMSG, "A CHOKE IS NOT ALLOWED IMMEDIATELY AFTER A JUNCTION");
            return;
        }
        if (a < 1.0e-6f) {
            E.CHOKL(c) = 1.0e6f;
        } else {
            const float af = G.AREA(s);
            const float q = af / (std::min(a, af) * E.CHCON(c));
            E.CHOKL(c) = (q * q - 1.0f) * 0.5f;
        }
    }
}

// Controller 99: its set point opens the leak at the end of the warm-up; the
// output follows at most dt/5 s per step.
void CTRSET(int32_t IECHO, int32_t IUIN, int32_t IUOUT, int32_t& IERR) {
    Ctrtab& C = CTRTAB;
    C.NCTR = 1;
    C.ICTRNO(1) = 99;
    C.ICTRTY(1) = 5;
    C.ICTRL1(1) = -1;
    C.ICTRL2(1) = -1;
    C.CTRTC(1) = 5.0f;
    C.CTRRAT(1) = 5.0f;  // the controller update reads the time constant here
    C.CONTR(1) = 0.0f;
    C.ICTRST(1) = 1;
    C.NCTRTB(1) = 1;
    // The set-point wrapper of the deck reader: count 1, kind 4.
    int32_t count = 1;
    if (CTRDEF(1, IECHO, IUIN, IUOUT, 4, count)) IERR = 1;
    C.NSPTAB = 1;
}

// Defaults of a set-point table: kind 4 is the leak opener's step from 0 to 1
// at the end of the warm-up; other kinds have no defaults. True would mean a
// read error to report; there is nothing to read in a run.
bool CTRDEF(int32_t ITAB, int32_t IECHO, int32_t IUIN, int32_t IUOUT, int32_t KIND,
            int32_t& NCOUNT) {
    if (KIND != 4) return false;
    Ctrtab& C = CTRTAB;
    C.NCTRT(ITAB) = 4;
    C.TCTR(1, ITAB) = 0.0f;
    C.SCTR(1, ITAB) = 0.0f;
    C.TCTR(2, ITAB) = TLEAK - 10.0f;
    C.SCTR(2, ITAB) = 0.0f;
    C.TCTR(3, ITAB) = TLEAK;
    C.SCTR(3, ITAB) = 1.0f;
    C.TCTR(4, ITAB) = TEND;
    C.SCTR(4, ITAB) = 1.0f;
    return false;
}

// The leak: its section from its distance along the branch, its hole, its
// opener and its back pressure.
void CHKLEK(const LEKDAT& lek, int32_t& IERR, char* MSG, int32_t LMSG) {
    const int b = lek.LEKBR;
    int found = 0;
    float sum = 0.0f;
    if (b >= 1 && b <= N.NBR) {
        // The counted sections: n - 2 from the first one after a branch's
        // inlet section. The summed section lengths carry the rounding of
        // 32-bit lengths: a leak placed at a branch end, as the
        // user measured it, may lie a little beyond them, or before 0; the
        // search takes it within a tolerance as at that end.
        const int n = N.NSECBR(b);
        const int t = N.ITYPBR(b);
        const int f = (t == 0 || t == 1) ? 2 : 1;
        const int s0 = sections_before(b);
        const int i = release_leak_section(&G.DX(s0 + f), n - 2, lek.LEKX, &sum);
        if (i >= 0) found = s0 + f + i;
    }
    if (found == 0) {
        char len[40];
        std::snprintf(len, sizeof len, "%.2f m", static_cast<double>(sum));
        refuse(IERR, MSG, LMSG,
               "Leak outside total length of branch no " + I2CH2(lek.LEKBR) +
                   ". Must be between 0 and " + len);
        return;
    }
    // A hole of no area lets nothing out: the release would come back as a
    // success with no numbers behind it.
    if (!(lek.LEKDIA > 0.0f)) {
        refuse(IERR, MSG, LMSG, "LEAK DIAMETER MUST BE GREATER THAN 0");
        return;
    }
    // The leak model shuts a smaller opening: a smaller hole would run to
    // its end, release nothing and still leak.
    if (0.7854f * lek.LEKDIA * lek.LEKDIA < static_cast<float>(RELEASE_SMALLEST_OPENING)) {
        refuse(IERR, MSG, LMSG,
               "LEAK DIAMETER " + value_text(1000.0 * lek.LEKDIA, "mm") +
                   " IS SMALLER THAN THE SMALLEST HOLE THE LEAK MODEL OPENS, " +
                   value_text(1000.0 * std::sqrt(RELEASE_SMALLEST_OPENING / 0.7854), "mm") +
                   " (AN OPENING OF " + value_text(RELEASE_SMALLEST_OPENING, "m2") + ")");
        return;
    }
    // A full-bore rupture is the largest hole a pipe can have.
    if (lek.LEKDIA > G.DSEC(found)) {
        refuse(IERR, MSG, LMSG,
               "LEAK DIAMETER " + value_text(lek.LEKDIA, "m") +
                   " IS LARGER THAN THE PIPE'S INNER DIAMETER " + value_text(G.DSEC(found), "m") +
                   " AT THE LEAK");
        return;
    }
    E.NLEAK = 1;
    E.ILKSEC(1) = found;
    E.DLEAK(1) = lek.LEKDIA;
    E.CDLEAK(1) = 0.84f;
    E.ILKCTR(1) = 99;
    const int row = E.NCHKL + E.NVSRC + 1;
    const int kind = lek.LEKTYP;
    if (kind <= 1) {
        E.ICHCOR(row) = FALSE_;
        if (kind == 1) E.ILKFLG(1) = TRUE_;
    } else {
        E.ICHCOR(row) = TRUE_;
        if (kind <= 5) E.ICHKND(row) = kind - 1;
        E.CHOREF(1, row) = 0.0f;
        E.CHOREF(2, row) = LEKRES.ROGLK;
        E.CHOREF(3, row) = LEKRES.ROLLK;
    }
    E.NLKPB(1) = 2;
    E.TLKPB(1, 1) = 0.0f;
    E.PLKPB(1, 1) = lek.LEKPB;
    E.TLKPB(2, 1) = TEND;
    E.PLKPB(2, 1) = lek.LEKPB;
    if (lek.LEKPB < static_cast<float>(RELEASE_MIN_BACK_PRESSURE))
        refuse(IERR, MSG, LMSG,
               "LEAK BACKPRESSURE TOO LOW: " + value_text(lek.LEKPB, "Pa") + ", AT LEAST " +
                   value_text(RELEASE_MIN_BACK_PRESSURE, "Pa"));
}

// Every boundary table must reach the end of the run; then the maps, the area
// ratios and the device table; then the choke placement.
void BCCHK(int32_t& IERR, char* MSG, int32_t LMSG) {
    const float tend = RUNCTL.TPEND(std::clamp<int32_t>(RUNCTL.IO, 1, 4));
    auto too_short = [&](float last, const std::string& what) {
        const std::string text = report(2, {"ERROR IN GROUP BOUNDARY COND. - TIME SERIES" + what,
                                            "HAS A LOWER LIMIT THAN THE END TIME OF THE SIMULATION",
                                            "( " + rt::fG(last, 12, 3) + " SECONDS COMPARED TO" +
                                                rt::fG(tend, 12, 3) + " SECONDS )"});
        if (IERR == 0) refuse(IERR, MSG, LMSG, text);  // MSG names the first short table
    };
    int ioff = 0;
    for (int b = 1; b <= N.NBR; ++b) {
        const int n = N.NSECBR(b);
        if (N.IBCODE(2, b) == 1 && N.NPOUT >= 1 && N.TPOUT(N.NPOUT) < tend)
            too_short(N.TPOUT(N.NPOUT), " OF RIGHT BOUNDARY PRESSURES");
        // No inlet end is a pressure boundary in this library, so no left
        // pressure table exists to be checked.
        int nr = 0;
        for (int i = 1; i <= E.NSOUR; ++i) {
            if (E.ISOUR(i) <= ioff || E.ISOUR(i) > ioff + n) continue;
            ++nr;
            if (E.TSOUR(E.NTSOUR(i), i) < tend)
                too_short(E.TSOUR(E.NTSOUR(i), i), " OF SOURCE NO." + rt::fI(nr, 4));
        }
        ioff += n;
    }
    if (IERR != 0) return;
    EQMAPS();
    ARATIO();
    if (E.NCHKL + E.NVSRC + E.NLEAK > 0) CHOSET();
    for (int c = 1; c <= E.NCHKL; ++c) {
        const int s = E.ICHSEC(c);
        const int b = N.IBRSEC(s);
        if (s > 1 && N.KSEC(s - 1) > 1) {
            refuse(IERR, MSG, LMSG,
                   report(3, {"JOB ABORT DUE TO FATAL ERROR IN INPUT", "", "",
                              "CHOKE HAS BEEN PLACED AT THE CLOSED INLET",
                              "BOUNDARY IN BRANCH " + rt::fI(b, 3)}));
            return;
        }
        if (N.KSEC(s) < -1) {
            refuse(IERR, MSG, LMSG,
                   report(3, {"JOB ABORT DUE TO FATAL ERROR IN INPUT", "", "",
                              "CHOKE HAS BEEN PLACED AT THE CLOSED OUTLET",
                              "BOUNDARY IN THE PIPELINE (BRANCH " + rt::fI(b, 3) + ")"}));
            return;
        }
    }
}

// Area ratios at each section's upstream face: EXPFAC (downstream over
// upstream, at most 1) and CFLFAC (upstream over downstream, at most 1; the
// factor of the time-step limit). At a branch end that flows into a junction
// CFLFAC compares with the first section behind the junction, uncapped.
void ARATIO() {
    for (int s = 1; s <= G.NSEC; ++s) {
        const int j = N.JBND(s);
        const float a = G.SECAREA(s);
        if (s == 1 || N.KSEC(s) >= 1 || j < 0) {
            G.EXPFAC(s) = 1.0f;
            G.CFLFAC(s) = 1.0f;
        } else if (j == 0) {
            const float up = G.SECAREA(s - 1);
            G.EXPFAC(s) = std::min(a / up, 1.0f);
            G.CFLFAC(s) = std::min(up / a, 1.0f);
        } else {
            G.EXPFAC(s) = 1.0f;
            G.CFLFAC(s) = G.SECAREA(s - 1) / G.SECAREA(N.JSFRST(j, N.NBJ(j)));
        }
    }
}

// The flow-restriction table: chokes, then valve sources, then leaks.
void CHOSET() {
    int row = 0;
    // One row: the device's section, its flow area (32-bit float arithmetic),
    // its factor and its flag word.
    auto add = [&row](int32_t sec, float d, float factor, int32_t flag) {
        ++row;
        E.ICHSEC(row) = sec;
        E.CHOAR(row) = 0.7854f * d * d;
        E.CHOCD(row) = factor;
        E.CHOFLG(row) = flag;
    };
    for (int c = 1; c <= E.NCHKL; ++c) add(E.ICHSEC(c), E.CHDIA(c), E.CHCON(c), E.ICHFLG(c));
    for (int k = 1; k <= E.NVSRC; ++k) add(E.IVSSEC(k), E.DVSRC(k), E.CDVSRC(k), E.IVSFLG(k));
    for (int k = 1; k <= E.NLEAK; ++k) add(E.ILKSEC(k), E.DLEAK(k), E.CDLEAK(k), E.ILKFLG(k));
    E.NCHOKE = row;
}

}  // namespace rel
