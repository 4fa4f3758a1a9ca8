// The mass balance of a finished run from its own accumulators.
#pragma once

#include "run/state.h"

namespace testrun {

// Mass that came into the line (sources and branch inlets) and left it at
// its branch outlets since the run started, kg.
struct Through {
    double in = 0.0, out = 0.0;
};
inline Through through() {
    Through t;
    for (int k = 1; k <= rel::EQUIPM.NSOUR; ++k) t.in += rel::SECVAR.SRTACC(k, 1);
    for (int b = 1; b <= rel::NETDSC.NBR; ++b) {
        t.in += rel::SECVAR.BRMIN(b, 1, 3);
        t.out += rel::SECVAR.BRMOUT(b, 1, 3);
    }
    return t;
}

// Initial inventory + what came in - what left at the outlets - what the
// leak released - the final inventory, kg.
inline double balance_residual() {
    const Through t = through();
    return rel::SECVAR.RMTOT0 + t.in - t.out - rel::LEKRES.ACMASS(1) - rel::SECVAR.RMPIPE;
}

}  // namespace testrun
