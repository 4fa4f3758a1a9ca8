// Section neighbours across junctions and the numbering of the unknowns of
// the pressure-velocity system.
#include <algorithm>
#include <cmath>

#include "run/state.h"
#include "solver/step.h"

namespace rel {

int junction_section(int j) {
    if (j <= 0) return 0;
    // The network set-up marks one section per junction, so the section found
    // last time is the answer while it still carries the mark: the search
    // over all sections runs once per network, not at every junction
    // boundary of every routine in every step.
    static int found[MXJUN + 1] = {};
    if (j <= MXJUN) {
        const int s = found[j];
        if (s >= 1 && s <= PIPGEO.NSEC && NETDSC.JBND(s) == -j) return s;
    }
    for (int s = 1; s <= PIPGEO.NSEC; ++s)
        if (NETDSC.JBND(s) == -j) {
            if (j <= MXJUN) found[j] = s;
            return s;
        }
    return 0;
}

int downstream(int i) {
    int j = NETDSC.JBND(i);
    if (j > 0) {
        int s = junction_section(j);
        if (s > 0) return s;
    }
    return i;
}

float bmean(const SecF& f, int i) {
    int d = downstream(i);
    float w = PIPGEO.DX(i - 1) + PIPGEO.DX(d);
    if (!(w > 0.0f)) return 0.5f * (f(i - 1) + f(d));
    return (f(i - 1) * PIPGEO.DX(i - 1) + f(d) * PIPGEO.DX(d)) / w;
}

float closure_diameter(int i) {
    int p = PIPGEO.IPIPE(i);
    float D = p >= 1 && p <= MXPIPE ? PIPGEO.DCLO(p) : 0.0f;
    if (!(D > 1.0e-9f)) D = PIPGEO.DSEC(i);
    if (!(D > 1.0e-9f)) D = std::sqrt(1.27324f * std::max(PIPGEO.SECAREA(i), 0.0f));
    return D;
}

PvRows pv_rows() {
    PvRows r{};
    r.n.fill(0);
    r.first.fill(0);
    int row = 0;
    const int NSEC = PIPGEO.NSEC;
    for (int s = 1; s <= NSEC; ++s) {
        int k = NETDSC.KSEC(s), j = NETDSC.JBND(s);
        int n = 0;
        if (k <= 0) {
            if (j < 0)
                n = 1;
            else if (j > 0 || k < 0 || s == NSEC)
                n = 2;
            else
                n = 3;
        }
        r.n(s) = n;
        r.first(s) = row + 1;
        row += n;
    }
    r.neq = row;
    return r;
}

}  // namespace rel
