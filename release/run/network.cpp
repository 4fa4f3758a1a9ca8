// Network topology: the junction lists, branch types, junction roles of the
// sections, the numbering of the unknowns, boundary codes with the outlet
// pressure table, check valves and the reverse maps of the device lists.
#include <cmath>
#include <string>

#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/setup.h"
#include "run/state.h"

namespace rel {

namespace {
Netdsc& N = NETDSC;
Pipgeo& G = PIPGEO;

int32_t right_member(int j) { return N.IBJ(j, N.NBJ(j)); }

bool is_left_member(int j, int32_t ibr) {
    for (int k = 1; k <= N.NBJ(j) - 1; ++k)
        if (N.IBJ(j, k) == ibr) return true;
    return false;
}
}  // namespace

// The junction list checks; the first failure refuses.
void NETDEF(int32_t& IERR, char* MSG, int32_t LMSG) {
    const int nbr = N.NBR, njun = N.NJUN;
    for (int j = 1; j <= njun; ++j) {
        if (N.NBJ(j) < 1 || N.NBJ(j) > MXBJ) {
            refuse(IERR, MSG, LMSG,
                   "NETWORK ERROR: ILLEGAL TOTAL NUMBER OF BRANCHES IN JUNCTION " + I2CH2(j) +
                       ". MUST BE BETWEEN 1 AND" + I2CH2(MXBJ));
            return;
        }
    }
    for (int j = 1; j <= njun; ++j) {
        for (int k = 1; k <= N.NBJ(j); ++k) {
            if (N.IBJ(j, k) < 1 || N.IBJ(j, k) > nbr) {
                refuse(IERR, MSG, LMSG,
                       "NETWORK ERROR: ILLEGAL BRANCH NUMBER IN JUNCTION " + I2CH2(j) +
                           " DETECTED. MUST BE BETWEEN 1 AND " + I2CH2(nbr));
                return;
            }
        }
    }
    for (int j = 1; j <= njun; ++j) {
        for (int k = 1; k <= N.NBJ(j) - 1; ++k) {
            if (N.IBJ(j, k) >= right_member(j)) {
                refuse(IERR, MSG, LMSG,
                       "NETWORK CONSISTENCY ERROR. JUNCTION " + I2CH2(j) + " NOT WELL-DEFINED." +
                           " LEFT BRANCH NUMBER GREATER THAN RIGHT");
                return;
            }
        }
    }
    int roots = 0;  // branches that flow into no junction
    for (int b = 1; b <= nbr; ++b) {
        int nleft = 0, nright = 0;
        for (int j = 1; j <= njun; ++j) {
            for (int k = 1; k <= N.NBJ(j) - 1; ++k) nleft += N.IBJ(j, k) == b;
            nright += right_member(j) == b;
        }
        if (nleft > 1) {
            refuse(IERR, MSG, LMSG,
                   "NETWORK CONSISTENCY ERROR.  BRANCH " + I2CH2(b) +
                       " OCCURS MORE THAN ONCE AS A LEFT BRANCH");
            return;
        }
        if (nright > 1) {
            refuse(IERR, MSG, LMSG,
                   "NETWORK CONSISTENCY ERROR.  BRANCH " + I2CH2(b) +
                       " OCCURS MORE THAN ONCE AS A RIGHT BRANCH");
            return;
        }
        if (nleft + nright == 0) {
            refuse(IERR, MSG, LMSG,
                   "NETWORK CONSISTENCY ERROR  BRANCH " + I2CH2(b) +
                       " IS MISSING IN NETWORK DESCRIPTION");
            return;
        }
        roots += nleft == 0;
    }
    // With every right branch numbered above its feeders, each branch leads to
    // at most one further branch; one branch that leads nowhere makes one tree
    // that converges to the outlet. More than one would be several outlets.
    if (roots != 1) {
        refuse(IERR, MSG, LMSG,
               "NETWORK CONSISTENCY ERROR. THE BRANCHES DO NOT FORM ONE TREE CONVERGING TO ONE "
               "OUTLET");
        return;
    }
}

// Branch type: 0 inlet to outlet, 1 inlet to junction, 2 junction to
// junction, 3 junction to outlet.
int32_t ITYPE(int32_t IBR) {
    if (N.NJUN == 0) return 0;
    bool left = false, right = false;
    for (int j = 1; j <= N.NJUN; ++j) {
        left = left || is_left_member(j, IBR);
        right = right || right_member(j) == IBR;
    }
    if (left && !right) return 1;
    if (left && right) return 2;
    if (right) return 3;
    rt::write_line(6, " INVALID BRANCH NO. IN ITYPE FUNCTION");
    return 0;
}

// Unknown counts of one branch: three per section (pressure system), two per
// section (liquid), one per section (gas and energy), and the junction rows.
void BRSECT(int32_t IBR, int32_t NS, int32_t ITYP, int32_t& NTOT3, int32_t& NTOT2, int32_t& NTOT1) {
    const int32_t old3 = NTOT3, old2 = NTOT2, old1 = NTOT1;
    switch (ITYP) {
        case 0:
            NTOT3 += 3 * NS - 4;
            NTOT2 += 2 * NS;
            NTOT1 += NS;
            break;
        case 1:
            NTOT3 += 3 * NS - 4;
            NTOT2 += 2 * NS - 2;
            NTOT1 += NS - 1;
            break;
        case 2:
            NTOT3 += 3 * NS - 3;
            NTOT2 += 2 * NS - 2;
            NTOT1 += NS - 1;
            break;
        default:
            NTOT3 += 3 * NS - 3;
            NTOT2 += 2 * NS;
            NTOT1 += NS;
            break;
    }
    if (ITYP == 0) return;
    for (int j = 1; j <= N.NJUN; ++j) {
        for (int k = 1; k <= N.NBJ(j) - 1; ++k) {
            if (N.IBJ(j, k) != IBR) continue;
            N.JGRP3(j, k) = NTOT3 - 2;
            N.JGRP2(j, k) = NTOT2 - 1;
            N.JGRP1(j, k) = NTOT1;
            N.IBROUT(j) = right_member(j);
        }
    }
    for (int j = 1; j <= N.NJUN; ++j) {
        if (right_member(j) != IBR) continue;
        N.JOUT3(j) = old3 + 1;
        N.JOUT2(j) = old2 + 1;
        N.JOUT1(j) = old1 + 1;
    }
}

// Junction roles of the sections and the junction of each unknown.
void TOPCLR() {
    N.JBND.fill(0);
    N.JROW3.fill(0);
    N.JROW2.fill(0);
    N.JROW1.fill(0);
    for (int j = 1; j <= N.NJUN; ++j) {
        for (int k = 1; k <= N.NBJ(j) - 1; ++k) {
            const int last = N.JSLAST(j, k);
            N.JBND(last) = j;
            G.DX(last) = G.DX(last - 1);
        }
        N.JBND(N.JSFRST(j, N.NBJ(j))) = -j;
    }
    for (int j = 1; j <= N.NJUN; ++j) {
        for (int k = 1; k <= N.NBJ(j) - 1; ++k) {
            for (int i = 0; i < 3; ++i) N.JROW3(N.JGRP3(j, k) + i) = j;
            for (int i = 0; i < 2; ++i) N.JROW2(N.JGRP2(j, k) + i) = j;
            N.JROW1(N.JGRP1(j, k)) = j;
        }
    }
}

// The coupling check: every branch that ends at a junction ends where the
// junction's leaving branch starts.
void NETCHK(int32_t& IERR, char* MSG, int32_t LMSG) {
    int lastpipe = 0;
    for (int b = 1; b <= N.NBR; ++b) {
        lastpipe += N.NPIPBR(b);
        const int t = N.ITYPBR(b);
        if (t == 0 || t == 3) continue;
        int jun = 0;
        for (int j = 1; j <= N.NJUN && jun == 0; ++j)
            if (is_left_member(j, b)) jun = j;
        if (jun == 0) {
            refuse(IERR, MSG, LMSG,
                   "NETWORK CONSISTENCY ERROR  BRANCH " + I2CH2(b) +
                       " IS MISSING IN NETWORK DESCRIPTION");
            return;
        }
        const int rb = right_member(jun);
        for (int c = 1; c <= 3; ++c) {
            if (std::fabs(G.XYZEND(c, lastpipe) - N.XYZBR(c, rb)) > 0.001f) {
                refuse(IERR, MSG, LMSG,
                       "NETWORK COORDINATE ERROR  BRANCH " + I2CH2(b) +
                           " IS NOT CORRECTLY COUPLED TO ITS JUNCTION");
                return;
            }
        }
    }
}

// Sine and cosine of each section's inclination (positive sine downhill).
void SECNUM() {
    int s = 0;
    int g = 0;
    for (int b = 1; b <= N.NBR; ++b) {
        for (int i = 1; i <= N.NPIPBR(b); ++i) {
            ++g;
            for (int l = 1; l <= G.NSECPP(g); ++l) {
                ++s;
                const bool inlet = i == 1 && l == 1 && N.JBND(s) == 0;
                if (inlet || s == G.NSEC) {
                    G.SINANG(s) = 0.0f;
                    G.COSANG(s) = 1.0f;
                    continue;
                }
                const float sn = G.SLOPE(g);
                G.SINANG(s) = sn;
                G.COSANG(s) = std::fabs(sn) < 0.99999f ? std::sqrt(1.0f - sn * sn) : 0.0f;
            }
        }
    }
}

// Numbering of the unknowns, section by section. A section right behind a
// junction end (the branch that fed the junction ended two sections before)
// follows a group of two unknowns, so its numbers advance by 5 and 2.
void EQNUM() {
    int32_t nsec = 0, ncnt = 0, nbnd = -2;
    int s = 0;
    for (int b = 1; b <= N.NBR; ++b) {
        const int n = N.NSECBR(b);
        for (int p = 1; p <= n; ++p) {
            ++s;
            const bool after = s >= 3 && N.JBND(s - 2) > 0 && N.JBND(s - 1) == 0;
            if (p == 1 && N.JBND(s) >= 0) continue;
            if (p == n && N.JBND(s) >= 0) {
                nbnd += after ? 2 : 3;
                N.IBEQ(s) = nbnd;
                continue;
            }
            nsec += after ? 5 : 3;
            N.ISEQ(s) = nsec;
            N.ISCNT(s) = ++ncnt;
            if (p != 1) {
                nbnd += after ? 2 : 3;
                N.IBEQ(s) = nbnd;
            }
        }
    }
}

// Boundary codes at the ends of one branch and, from the outlet branch on,
// the outlet pressure table.
void BNDTYP(int32_t IBR, int32_t ITYP, int32_t IOFF, int32_t NS, int32_t& IERR, const BNDDAT& bnd) {
    Secvar& V = SECVAR;
    N.IBNDMK = 1;
    const float tin = bnd.TIN[IBR - 1];
    if (ITYP == 0 || ITYP == 1) {
        N.IBCODE(1, IBR) = 2;
        const int s = IOFF + 1;
        N.KSEC(s) = 2;
        V.TM(s) = tin;
        V.AL(s) = 0.0f;
        G.DX(s) = G.DX(IOFF + 2);
    }
    if (ITYP == 0 || ITYP == 3) {
        N.IBCODE(2, IBR) = 1;
        const int s = IOFF + NS;
        N.KSEC(s) = -1;
        V.TM(s) = tin;
        V.AL(s) = ITYP == 0 ? 0.0f : 1.0f;
        G.DX(s) = G.DX(s - 1);
        N.IOUTMK = 1;
    }
    if (N.IOUTMK == 1) {
        const float pout = bnd.POUT;
        if (pout >= 500000.0f) {
            N.NPOUT = 2;
            N.TPOUT(1) = 0.0f;
            N.PPOUT(1) = pout;
            N.TPOUT(2) = 1.0e7f;
            N.PPOUT(2) = pout;
            V.PT(IOFF + NS) = pout;
        } else {
            // The warm-up starts at 5 bar and falls to the outlet pressure
            // between 2000 s and 3000 s.
            N.NPOUT = 4;
            N.TPOUT(1) = 0.0f;
            N.PPOUT(1) = 500000.0f;
            N.TPOUT(2) = 2000.0f;
            N.PPOUT(2) = 500000.0f;
            N.TPOUT(3) = 3000.0f;
            N.PPOUT(3) = pout;
            N.TPOUT(4) = 1.0e7f;
            N.PPOUT(4) = pout;
            V.PT(IOFF + NS) = 500000.0f;
        }
    }
}

// Check valves: one at the end of the outlet branch, forward.
void VALLST(int32_t& IERR) {
    Equipm& E = EQUIPM;
    E.NCHKV = 0;
    int last = 0;
    for (int b = 1; b <= N.NBR; ++b) {
        last += N.NSECBR(b);
        const int t = N.ITYPBR(b);
        if (t != 0 && t != 3) continue;
        ++E.NCHKV;
        E.IVBND(E.NCHKV) = last;
        E.IVDIR(E.NCHKV) = N.NSECBR(b) < 0 ? -1 : 1;
    }
}

// Per section, the entry of each device list that sits in it.
void EQMAPS() {
    Equipm& E = EQUIPM;
    E.ISRMAP.fill(0);
    E.ICHMAP.fill(0);
    E.ILKMAP.fill(0);
    E.ICVMAP.fill(0);
    E.IVSMAP.fill(0);
    for (int i = 1; i <= E.NSOUR; ++i) E.ISRMAP(E.ISOUR(i)) = i;
    for (int i = 1; i <= E.NCHKL; ++i) E.ICHMAP(E.ICHSEC(i)) = i;
    for (int i = 1; i <= E.NLEAK; ++i) E.ILKMAP(E.ILKSEC(i)) = i;
    for (int i = 1; i <= E.NCHKV; ++i) E.ICVMAP(E.IVBND(i)) = i;
    for (int i = 1; i <= E.NVSRC; ++i) E.IVSMAP(E.IVSSEC(i)) = i;
}

}  // namespace rel
