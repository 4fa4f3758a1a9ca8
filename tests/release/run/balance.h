// The mass balance of a finished run from its own accumulators.
#pragma once

#include "run/state.h"

namespace rel::testrun {

// Initial inventory + what came in through the inlets - what left at the
// outlet - what the leak released - the final inventory, kg.
inline double balance_residual() {
    double in = 0.0, out = 0.0;
    for (int k = 1; k <= EQUIPM.NSOUR; ++k) in += SECVAR.SRTACC(k, 1);
    for (int b = 1; b <= NETDSC.NBR; ++b) {
        in += SECVAR.BRMIN(b, 1, 3);
        out += SECVAR.BRMOUT(b, 1, 3);
    }
    return SECVAR.RMTOT0 + in - out - LEKRES.ACMASS(1) - SECVAR.RMPIPE;
}

}  // namespace rel::testrun
