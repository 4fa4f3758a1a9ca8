// Synthetic networks for the output tests: only the state words that the
// curve definitions, labels and the row sampler read are set.
#pragma once

#include <vector>

#include "run/state.h"

namespace rel::test {

struct BranchShape {
    int type;  // 0..3
    int nsec;  // sections of the branch
};

// Resets the state and lays out the branches one after the other; the leak
// sits in branch leak_branch at plot position leak_pos (counted from the
// branch's first plotted section).
inline void make_network(const std::vector<BranchShape>& branches, int leak_branch, int leak_pos) {
    INICOM();
    NETDSC.NBR = static_cast<int>(branches.size());
    int offset = 0;
    for (int b = 1; b <= NETDSC.NBR; ++b) {
        const BranchShape& br = branches[b - 1];
        NETDSC.ITYPBR(b) = br.type;
        NETDSC.NSECBR(b) = br.nsec;
        NETDSC.ISECBR(b) = offset + 1;
        for (int s = offset + 1; s <= offset + br.nsec; ++s) {
            NETDSC.IBRSEC(s) = b;
            PIPGEO.DX(s) = 10.0f;
            PIPGEO.SECAREA(s) = 0.05f;
        }
        if (b < NETDSC.NBR) NETDSC.JBND(offset + br.nsec) = 1;  // feeds the junction
        offset += br.nsec;
    }
    PIPGEO.NSEC = offset;
    int leak_offset = 0;
    for (int b = 1; b < leak_branch; ++b) leak_offset += branches[b - 1].nsec;
    const int s = (branches[leak_branch - 1].type <= 1) ? 2 : 1;
    EQUIPM.NLEAK = 1;
    EQUIPM.ILKSEC(1) = leak_offset + leak_pos + s - 1;
}

// What RELEASE sets before the header is written.
inline void plot_file_on_unit_30() {
    PLTCTL.NCPLT = PLTCTL.NCURV;
    PLTCTL.NPLTF = 1;
    PLTCTL.IUPLT = 30;
}

}  // namespace rel::test
