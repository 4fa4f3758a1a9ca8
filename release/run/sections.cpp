// Pipe discretisation and section geometry: sections per branch, their
// areas, lengths, distances and elevations, and the heat-transfer data.
#include <cmath>
#include <cstdint>
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

int pipes_before(int ibr) {
    int n = 0;
    for (int b = 1; b < ibr; ++b) n += N.NPIPBR(b);
    return n;
}

// The report that ends the run: on the log, and in MSG so that the caller
// sees it even when the log never opens.
void geometry_refusal(const std::string& l1, const std::string& l2, const std::string& l3,
                      int32_t& IERR, char* MSG, int32_t LMSG) {
    logline("");
    logline("");
    logline("     " + l1);
    if (!l2.empty()) logline("     " + l2);
    if (!l3.empty()) logline("     " + l3);
    for (int i = 0; i < 3; ++i) logline("");
    logline("     JOB ABORT DUE TO FATAL ERROR IN INPUT");
    std::string text = l1;
    if (!l2.empty()) text += " " + l2;
    if (!l3.empty()) text += " " + l3;
    refuse(IERR, MSG, LMSG, text);
}
}  // namespace

// Sections of one branch, its first section, and the geometry of each of its
// sections. The network total must stay within 199 sections.
void RDGRID(int32_t IBR, int32_t NP, int32_t ITYP, int32_t& NS, int32_t& IERR, char* MSG,
            int32_t LMSG) {
    if (NP < 0) {
        geometry_refusal("ERROR IN GROUP GEOMETRY - NUMBER OF PIPES",
                         "CAN NOT BE NEGATIVE FOR BRANCH" + rt::fI(IBR, 3), "", IERR, MSG, LMSG);
        NS = 0;
        return;
    }
    const int ipoff = pipes_before(IBR);
    const int s0 = G.NSEC;
    int64_t total = s0;
    for (int i = 1; i <= NP; ++i) total += G.NSECPP(ipoff + i);
    if (total > MXSEC) {
        geometry_refusal("ERROR IN GROUP GEOMETRY - TOTAL NUMBER OF",
                         "SECTIONS CAN NOT BE GREATER THAN" + rt::fI(MXSEC, 5),
                         "YOUR PIPELINE SYSTEM GIVES" + rt::fI(total, 5) + " SECTIONS", IERR, MSG,
                         LMSG);
        NS = 0;
        return;
    }
    G.NSEC = static_cast<int32_t>(total);
    NS = G.NSEC - s0;
    N.NSECBR(IBR) = NS;
    const bool from_inlet = ITYP == 0 || ITYP == 1;
    N.ISECBR(IBR) = IBR == 1 ? 1 : (from_inlet ? s0 + 1 : s0);

    // Sections, pipe by pipe. The extra inlet and end sections take the
    // length of their pipe's other sections.
    int s = s0;
    for (int i = 1; i <= NP; ++i) {
        const int g = ipoff + i;
        const int k = G.NSECPP(g);
        const float d = G.DIAM(g);
        const float len = G.PLEN(g);
        const float a = 3.141593f * d * d * 0.25f;
        G.PAREA(g) = a;
        int real = k;
        if (from_inlet && NP == 1)
            real = k - 2;
        else if (from_inlet && (i == 1 || i == NP))
            real = k - 1;
        else if (!from_inlet && i == NP)
            real = k - 1;
        const float dx = len / static_cast<float>(real);
        for (int l = 1; l <= k; ++l) {
            ++s;
            G.DX(s) = dx;
            G.SECAREA(s) = a;
            G.DSEC(s) = d;
            if (l == 1 && i > 1) {
                G.AREA(s) = std::fmin(a, G.PAREA(g - 1));
                G.DBND(s) = std::fmin(d, G.DIAM(g - 1));
            } else {
                G.AREA(s) = a;
                G.DBND(s) = d;
            }
            G.IPIPE(s) = g;
            G.IPLPIP(s) = l;
            N.IBRSEC(s) = IBR;
            N.IPLBR(s) = s - N.ISECBR(IBR);
        }
    }

    // Distances along the branch of the real sections' faces and midpoints.
    const int first = from_inlet ? s0 + 2 : s0 + 1;
    const int last = s0 + NS - 1;
    float face = 0.0f;
    for (int q = s0 + 1; q <= s0 + NS; ++q) {
        G.XFACE(q) = 0.0f;
        G.XMID(q) = 0.0f;
    }
    for (int q = first; q <= last; ++q) {
        G.XMID(q) = face + 0.5f * G.DX(q);
        face += G.DX(q);
        G.XFACE(q) = face;
    }

    // Midpoint elevations, pipe by pipe, each pipe rising or falling evenly
    // from where the previous one ended.
    s = s0;
    for (int i = 1; i <= NP; ++i) {
        const int g = ipoff + i;
        const float z0 = i == 1 ? N.XYZBR(2, IBR) : G.XYZEND(2, g - 1);
        const float dz = G.XYZEND(2, g) - z0;
        const float len = G.PLEN(g);
        bool first_real = true;
        float prevlen = 0.0f;
        for (int l = 1; l <= G.NSECPP(g); ++l) {
            ++s;
            if (s < first || s > last) continue;
            const float own = G.DX(s);
            if (first_real) {
                G.ZSEC(s) = z0 + (own * dz * 0.5f) / len;
                first_real = false;
            } else {
                G.ZSEC(s) = G.ZSEC(s - 1) + (prevlen * dz * 0.5f) / len + (own * dz * 0.5f) / len;
            }
            prevlen = own;
        }
    }
    if (from_inlet) G.ZSEC(s0 + 1) = N.XYZBR(2, IBR);
    G.ZSEC(s0 + NS) = 0.0f;

    // Junction tables: where this branch's sections begin and end.
    for (int j = 1; j <= N.NJUN; ++j) {
        for (int k = 1; k <= N.NBJ(j); ++k) {
            if (N.IBJ(j, k) != IBR) continue;
            N.JSFRST(j, k) = s0 + 1;
            N.JSLAST(j, k) = s0 + NS;
        }
    }
}

// Heat-transfer data of every branch. Switch 1 means no temperature
// calculation: heat-transfer mode 0 (wall data only); else mode 4.
void BRSETP(int32_t& IERR, char* MSG, int32_t LMSG, const BRREC* brdata, int32_t ISWTCH) {
    RUNCTL.ITEMP = ISWTCH == 1 ? 0 : 4;
    int ipoff = 0, ioff = 0;
    int32_t nwall = 0;
    G.NWALLT = 0;
    for (int b = 1; b <= N.NBR; ++b) {
        const int np = N.NPIPBR(b);
        if (RUNCTL.ITEMP == 0) {
            HTCOEF(b, ipoff, np, nwall, IERR, MSG, LMSG, brdata[b - 1]);
            if (IERR != 0) return;
        }
        SECGEO(b, N.ITYPBR(b), ipoff, ioff, N.NSECBR(b), brdata[b - 1]);
        ipoff += np;
        ioff += N.NSECBR(b);
    }
    G.NWALLT = nwall;
}

// Wall layers of each pipe of a branch: steel, then a coating whose
// conduction matches the pipe's overall coefficient referred to the steel's
// outside.
void HTCOEF(int32_t IBR, int32_t IPOFF, int32_t NP, int32_t& NWTOT, int32_t& IERR, char* MSG,
            int32_t LMSG, const BRREC& br) {
    if (NP < 0 || NP > MXPB || IPOFF + NP > G.NPIPE) {
        refuse(IERR, MSG, LMSG, "ERROR IN GROUP GEOMETRY - NUMBER OF PIPES");
        return;
    }
    for (int i = 1; i <= NP; ++i) {
        const int g = IPOFF + i;
        const float r = br.PIPE[i - 1].DIAM * 0.5f;
        const float u = br.PIPE[i - 1].HTC;
        const float t = (r - 0.2286f + r) * 0.014485f + 0.0127f;
        G.WTHK(1, g) = t;
        G.WRHO(1, g) = 7850.0f;
        G.WCP(1, g) = 494.0f;
        G.WCON(1, g) = 50.0f;
        G.WRHO(2, g) = 900.0f;
        G.WCP(2, g) = 1926.0f;
        G.WCON(2, g) = 0.167f;
        const float ro = r + t;
        // A coefficient of 0 or less has no coating that could match it.
        const float r2 = u > 0.0f ? ro * std::exp(0.167f / ro / u) : 0.0f;
        if (u > 0.0f && std::isfinite(r2) && r2 >= ro) {
            G.NLAYR(g) = 2;
            G.WTHK(2, g) = r2 - ro;
        } else {
            G.NLAYR(g) = 1;
            G.WTHK(2, g) = 0.0f;
        }
        G.NWALL(g) = 1;
        ++NWTOT;
    }
}

// Ambient temperature and heat-transfer coefficients of a branch's
// heat-exchanging sections (all but the inlet and end sections).
void SECGEO(int32_t IBR, int32_t ITYP, int32_t IPOFF, int32_t IOFF, int32_t NS, const BRREC& br) {
    const int from = (ITYP == 0 || ITYP == 1) ? 2 : 1;
    for (int p = from; p <= NS - 1; ++p) {
        const int s = IOFF + p;
        const int g = G.IPIPE(s);
        const PIPSEG& pipe = br.PIPE[g - IPOFF - 1];
        G.TAMBS(s) = pipe.TAMB;
        float d = G.DIAM(g);
        const float a = G.SECAREA(s);
        if (d < 1.0e-9f) d = std::sqrt(4.0f * a / 3.141593f);
        if (RUNCTL.ITEMP == 4) {
            G.HTCS(s) = pipe.HTC < 0.0f ? 0.0f : pipe.HTC;
            G.QWV(s) = G.HTCS(s) * 3.141593f * d / a;
        } else {
            G.HTC0(s) = 1000.0f;
        }
    }
    if (RUNCTL.ITEMP != 0) return;
    for (int p = 1; p <= NS; ++p) {
        const int s = IOFF + p;
        G.NWSEC(s) = G.NLAYR(G.IPIPE(s));
    }
    for (int i = 1; i <= N.NPIPBR(IBR); ++i) {
        const int g = IPOFF + i;
        float d = G.DIAM(g);
        if (d < 1.0e-9f) d = std::sqrt(4.0f * G.PAREA(g) / 3.141593f);
        float outside = d;
        G.WCIRC(1, g) = 3.141593f * d;
        for (int l = 1; l <= G.NLAYR(g); ++l) {
            outside += 2.0f * G.WTHK(l, g);
            G.WCIRC(l + 1, g) = 3.141593f * outside;
        }
    }
}

// Boundaries inside a branch take part in the time-step limit and the
// pressure-change test.
void SECSET(int32_t& IERR) {
    int ioff = 0;
    for (int b = 1; b <= N.NBR; ++b) {
        const int n = N.NSECBR(b);
        if (n > 1) {
            for (int i = ioff + 2; i <= ioff + n; ++i) {
                G.ICFLON(i) = 1;
                G.IDPCHK(i) = 1;
            }
        }
        ioff += n;
    }
}

}  // namespace rel
