// The gas mass fraction on both sides of every junction, kept per incoming
// branch for the mass transfer of the flow into and out of the junction.
#include "run/routines.h"
#include "run/state.h"

namespace rel {

void SECPRP(int32_t& IERR, char* MSG, int32_t LMSG) {
    const Netdsc& N = NETDSC;
    const int nsec = PIPGEO.NSEC;
    for (int j = 1; j <= N.NJUN && j <= MXJUN; ++j) {
        // The first section of the outgoing branch carries junction role -j,
        // the last section of each incoming branch +j.
        int sout = 0;
        for (int s = 1; s <= nsec; ++s)
            if (N.JBND(s) == -j) {
                sout = s;
                break;
            }
        for (int m = 1; m <= N.NBJ(j) - 1 && m <= MXBJ; ++m) {
            int k = N.IBJ(j, m);
            if (k < 1 || k > MXBR) continue;
            int sin = 0;
            for (int s = 1; s <= nsec; ++s)
                if (N.JBND(s) == j && N.IBRSEC(s) == k) {
                    sin = s;
                    break;
                }
            if (sout == 0 || sin < 2) continue;
            SECVAR.RSJIN(k) = SECVAR.RS(sout);
            SECVAR.RSJBK(k) = SECVAR.RS(sin - 1);
        }
    }
}

}  // namespace rel
