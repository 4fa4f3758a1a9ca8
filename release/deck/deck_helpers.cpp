// Small helpers of the deck facilities: number texts, text justification,
// interpolation, list search, source numbering and a pipe-flow estimate.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "deck/deck.h"
#include "rt/fortio.h"
#include "run/constants.h"
#include "run/state.h"

namespace rel {

std::string CTCHAR(double value, char type) {
    if (type == 'I') return rt::fixed(rt::fI(static_cast<long long>(std::llround(value)), 19), 20);
    if (type == 'R') return rt::fixed(rt::fF(value, 18, 1), 20);
    rt::write_line(6, " Unknown type in input to CTCHAR");
    return std::string(20, ' ');
}

void LJUST(char* TEXT80, int32_t& IFIRST) {
    char buf[80];
    int32_t i = 0;
    while (i < 80 && TEXT80[i] == ' ') ++i;
    IFIRST = i < 80 ? i + 1 : 0;
    std::memset(buf, ' ', 80);
    if (i < 80) std::memcpy(buf, TEXT80 + i, 80 - i);
    std::memcpy(TEXT80, buf, 80);
}

float LININT(float X1, float Y1, float X2, float Y2, float X) {
    return Y1 + (X - X1) * (Y2 - Y1) / (X2 - X1);
}

void ISRCH(const int32_t* LIST, int32_t ISTART, int32_t IEND, int32_t LO, int32_t HI,
           int32_t& IFIRST, int32_t& ILAST, int32_t& FOUND) {
    IFIRST = ILAST = 0;
    FOUND = FALSE_;
    for (int32_t i = ISTART; i <= IEND; ++i) {
        const int32_t v = LIST[i - 1];
        if (v < LO || v > HI) continue;
        if (!IFIRST) IFIRST = i;
        ILAST = i;
        FOUND = TRUE_;
    }
}

namespace {

// Branch whose cells (after the sections of the earlier branches) hold cell.
int32_t branch_of_cell(int32_t cell) {
    int32_t off = 0;
    for (int32_t b = 1; b <= NETDSC.NBR && b <= MXBR; ++b) {
        if (cell > off && cell <= off + NETDSC.NSECBR(b)) return b;
        off += NETDSC.NSECBR(b);
    }
    return 0;
}

}  // namespace

int32_t SRCIDX(int32_t ID, int32_t IBR, int32_t N) {
    if (ID >= 135 && ID <= 138) {
        int32_t before = 0;
        for (int32_t k = 1; k <= std::min(EQUIPM.NSOUR, MXSRC); ++k) {
            const int32_t b = branch_of_cell(EQUIPM.ISOUR(k));
            if (b > 0 && b < IBR) ++before;
        }
        return N + before;
    }
    if (ID >= 150 && ID <= 157) {
        if (EQUIPM.NVSRC == 0) return N;
        int32_t before = 0;
        for (int32_t k = 1; k <= std::min(EQUIPM.NVSRC, MXVSRC); ++k) {
            const int32_t b = branch_of_cell(EQUIPM.IVSSEC(k));
            if (b > 0 && b < IBR) ++before;
        }
        return N + before;
    }
    return 0;
}

float PIPFLO(float P, float RHO, float F, float D, float H, float L, float A) {
    const float head = std::max(0.0f, P - GRAV * RHO * H);
    return A * RHO * std::sqrt(head / (0.5f * RHO * (1.0f + 4.0f * F * L / D)));
}

}  // namespace rel
