// Interval search and one-dimensional interpolation over grids and time
// tables, and the output of a controller by its number.
#include <algorithm>
#include <cmath>
#include <string>

#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {

int32_t TBLOC(float x, const float* grid, int32_t n, int32_t mode) {
    // Linear scan: the last point not above x, within 1 .. n-1. The other
    // search modes were never used by a table copy and scan the same way.
    (void)mode;
    int32_t index = 1;
    for (int32_t i = 1; i <= n; ++i) {
        if (x >= grid[i - 1]) index = i;
        if (index == n) index = n - 1;
    }
    return std::max(index, 1);
}

// On a grid that never falls the points not above x are the first k, and
// TBLOC answers k within 1 .. n-1. The walk stops where the interval's lower
// point is not above x (or at 1) and its upper point is above x (or at n-1),
// which is that answer; a NaN x finds no point below it and ends at 1.
int32_t tbloc_from(float x, const float* grid, int32_t n, int32_t start) {
    int32_t i = std::clamp(start, 1, std::max(n - 1, 1));
    while (i < n - 1 && grid[i] <= x) ++i;
    while (i > 1 && !(grid[i - 1] <= x)) --i;
    return i;
}

bool grid_ascending(const float* grid, int32_t n) {
    if (n < 2) return false;
    for (int32_t i = 1; i < n; ++i)
        if (!(grid[i - 1] <= grid[i])) return false;
    return true;
}

void TBINT(const float* table, int32_t ld, int32_t n, int32_t k, float time, int32_t& index,
           float& weight, float& fraction) {
    auto t = [&](int i) { return table[(k - 1) + ld * (i - 1)]; };
    int32_t idx = 0;
    for (int32_t i = 1; i <= n; ++i)
        if (t(i) <= time) idx = i;
    // The callers test the range themselves; the interval is clamped so that
    // a time on the last point (or outside) never reads past the table.
    if (n < 2) {
        index = 1;
        weight = 1.0f;
        fraction = 0.0f;
        return;
    }
    idx = std::min(std::max(idx, 1), n - 1);
    index = idx;
    fraction = (time - t(idx)) / (t(idx + 1) - t(idx));
    weight = 1.0f - fraction;
}

void TBINTR(const float* xt, const float* yt, int32_t n, float x, float& y, int32_t unit,
            const char* name, int32_t lname) {
    float lo = std::min(xt[0], xt[n - 1]), hi = std::max(xt[0], xt[n - 1]);
    if (!(x >= lo && x <= hi)) {
        std::string nm = rt::fixed(std::string_view(name, std::max(lname, 0)), 60);
        rt::write_line(unit, "");
        rt::write_line(unit, "");
        rt::write_line(unit, "     " + nm);
        std::string range = "X = " + rt::fG(x, 10, 4) + "   RANGE IS " + rt::fG(lo, 10, 4) +
                            " -- " + rt::fG(hi, 10, 4);
        rt::write_line(unit, "     " + range);
        throw RunFailure(std::string(rt::trim(nm)) + " " + range);
    }
    if (n == 1) {
        y = yt[0];
        return;
    }
    for (int32_t i = 1; i <= n - 1; ++i) {
        float x0 = xt[i - 1], x1 = xt[i];
        if (x0 == x) {
            y = yt[i - 1];
            return;
        }
        if (x1 == x) {
            y = yt[i];
            return;
        }
        if ((x > x0 && x < x1) || (x < x0 && x > x1)) {
            y = yt[i - 1] + (yt[i] - yt[i - 1]) / (x1 - x0) * (x - x0);
            return;
        }
    }
    y = yt[n - 1];
}

float CTRVAL(int32_t number) {
    for (int k = 1; k <= CTRTAB.NCTR && k <= MXCTR; ++k)
        if (CTRTAB.ICTRNO(k) == number) return CTRTAB.CONTR(k);
    return 0.0f;
}

}  // namespace rel
