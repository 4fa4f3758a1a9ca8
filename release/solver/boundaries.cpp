// Boundary conditions: the pressures of the current time on the end sections
// of the network, their fluid properties, and an equilibrium phase content
// there (no droplets, gas and liquid masses from the volume fraction).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/devices.h"

namespace rel {
namespace {

// Property lookup at the section's pressure and temperature, into the section.
bool lookup_into(int s, int32_t& IERR, char* MSG, int32_t LMSG) {
    PvtOut pv{};
    int32_t ierr = 0;
    device_lookup(SECVAR.PT(s), SECVAR.TM(s), pv, ierr, MSG, LMSG);
    if (ierr != 0) {
        IERR = ierr;
        return false;
    }
    SECVAR.ROG(s) = pv.ROG;
    SECVAR.DRGP(s) = pv.DRGP;
    SECVAR.ROL(s) = pv.ROL;
    SECVAR.DRLP(s) = pv.DRLP;
    SECVAR.RS(s) = pv.RS;
    SECVAR.VISG(s) = pv.VISG;
    SECVAR.VISL(s) = pv.VISL;
    SECVAR.CPG(s) = pv.CPG;
    SECVAR.CPL(s) = pv.CPL;
    SECVAR.HL(s) = pv.HL;
    SECVAR.HG(s) = pv.HG;
    SECVAR.DRGT(s) = pv.DRGT;
    SECVAR.SIG(s) = pv.SIG;
    return true;
}

// Phase equilibrium at the imposed pressure with the section's AL.
void equilibrate(int s) {
    const float AL = SECVAR.AL(s);
    SECVAR.BE(s) = 1.0f - AL;
    SECVAR.GA(s) = 0.0f;
    SECVAR.MG(s) = SECVAR.ROG(s) * AL;
    SECVAR.ML(s) = SECVAR.ROL(s) * (1.0f - AL);
    SECVAR.MD(s) = 0.0f;
    SECVAR.MLT(s) = SECVAR.ML(s);
}

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.6G", v);
    return b;
}

}  // namespace

void BOUCON(int32_t IEND, int32_t IBR, int32_t /*ISEC*/, float& AL, int32_t& IERR, char* MSG,
            int32_t LMSG) {
    const double t = RUNCTL.TIME;
    if (NETDSC.IVDMOD(IEND, IBR) == 0) {
        const int n = std::clamp<int32_t>(NETDSC.NVDT(IEND, IBR), 0, 10);
        const float* tt = &NETDSC.TVDT(1, IEND, IBR);
        if (n < 1 || t < tt[0] || t > tt[n - 1]) {
            std::string text = "ROUTINE BOUCON: ERROR USING BOUNDARY VOID TABLE";
            text.resize(60, ' ');
            text += "X = " + num(t);
            if (n >= 1) text += "   RANGE IS " + num(tt[0]) + " " + num(tt[n - 1]);
            rt::write_line(IOUNIT.IULOG, text);
            refuse(IERR, MSG, LMSG, text);
            return;
        }
        AL = time_interp(tt, &NETDSC.AVDT(1, IEND, IBR), n, t);
        return;
    }
    bool open = true;
    if (NETDSC.IVDCHK(IEND, IBR) == 0) {
        const int nlist = std::clamp<int32_t>(NETDSC.NVDCTR(IEND, IBR), 0, 5);
        const int nctr = std::clamp<int32_t>(CTRTAB.NCTR, 0, MXCTR);
        for (int k = 1; k <= nctr; ++k)
            for (int l = 1; l <= nlist; ++l)
                if (CTRTAB.ICTRNO(k) == NETDSC.IVDCTR(l, IEND, IBR) &&
                    !(CTRTAB.CONTR(k) > 0.99999f))
                    open = false;
    }
    AL = open ? NETDSC.ALVOPN(IEND, IBR) : NETDSC.ALVCLS(IEND, IBR);
}

float equilibrium_void(double x, double ROG, double ROL) {
    if (x < 1.0e-9) return 0.0f;
    if (x > 1.0) return 1.0f;
    const double den = (1.0 - x) * ROG + ROL * x;
    return static_cast<float>(den > 0.0 ? ROL * x / den : x);
}

void BOUUPD(int32_t& IERR, char* MSG, int32_t LMSG) {
    const double t = RUNCTL.TIME;
    const int nbr = std::clamp<int32_t>(NETDSC.NBR, 0, MXBR);
    for (int b = 1; b <= nbr; ++b) {
        if (NETDSC.IBCODE(1, b) != 1) continue;
        const int s = NETDSC.ISECBR(b);
        if (s < 1 || s > MXSEC) continue;
        const int n = std::clamp<int32_t>(NETDSC.NPLEFT(b), 0, 10);
        SECVAR.PT(s) = time_interp(&NETDSC.TPLEFT(1, b), &NETDSC.PPLEFT(1, b), n, t);
        if (!lookup_into(s, IERR, MSG, LMSG)) return;
        SECVAR.AL(s) = equilibrium_void(SECVAR.RS(s), SECVAR.ROG(s), SECVAR.ROL(s));
        if (NETDSC.IVDFLG(1, b) == 1) {
            int32_t ierr = 0;
            BOUCON(1, b, s, SECVAR.AL(s), ierr, MSG, LMSG);
            if (ierr != 0) {
                IERR = ierr;
                return;
            }
        }
        equilibrate(s);
    }

    const int ns = PIPGEO.NSEC;
    if (ns >= 1 && ns <= MXSEC && NETDSC.KSEC(ns) == -1) {
        const int n = std::clamp<int32_t>(NETDSC.NPOUT, 0, 10);
        SECVAR.PT(ns) = time_interp(NETDSC.TPOUT.data(), NETDSC.PPOUT.data(), n, t);
        if (!lookup_into(ns, IERR, MSG, LMSG)) return;
        if (nbr >= 1 && NETDSC.IVDFLG(2, nbr) == 1) {
            int32_t ierr = 0;
            BOUCON(2, nbr, ns, SECVAR.AL(ns), ierr, MSG, LMSG);
            if (ierr != 0) {
                IERR = ierr;
                return;
            }
        }
        equilibrate(ns);
    }
}

}  // namespace rel
