// The result time-series file: its three header lines and one row per plot
// time, every column on a pitch of 15 characters so that the columns line up
// under their names. The row writer also chooses the next plot time, in three
// phases: sparse rows through the warm-up, rows 1 to 10 s apart while the leak
// opens, then rows paced to give about 200 up to the expected end of the
// release, which it also revises for the progress percentage.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "output/plot.h"
#include "output/variables.h"
#include "rt/fortio.h"
#include "run/constants.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {
namespace {

std::string cat_name(int32_t id) {
    return (id >= 1 && id <= MXVAR) ? std::string(VARTAB.NAME[id - 1], 6) : std::string("****  ");
}
std::string cat_unit(int32_t id) {
    return (id >= 1 && id <= MXVAR) ? std::string(VARTAB.UNIT[id - 1], 6) : std::string("****  ");
}
char cat_kind(int32_t id) { return (id >= 1 && id <= MXVAR) ? VARTAB.KIND[id - 1] : '-'; }

// Every number of a row: general editing, 15 wide, 5 significant digits.
std::string number(float v) { return rt::fG(static_cast<double>(v), 15, 5); }

int32_t last_sections() { return std::clamp<int32_t>(PIPGEO.NSEC, 0, MXSEC); }

// The leak entry whose cell is sec (the later entry where two share one), 0 if none.
int32_t leak_entry(int32_t sec) {
    int32_t e = 0;
    for (int32_t l = 1; l <= EQUIPM.NLEAK && l <= MXLEK; ++l)
        if (EQUIPM.ILKSEC(l) == sec) e = l;
    return e;
}

bool valid_cell(int32_t c) { return c >= 0 && c <= MXB; }
float area(int32_t c) { return valid_cell(c) ? PIPGEO.SECAREA(c) : 0.0f; }

// Phase volumes per branch: liquid (bulk and droplets), bulk liquid, droplets
// and gas. A section that feeds a junction closes its branch and is not
// counted; boundary cells are not part of the pipe.
struct BranchTotals {
    float liq[MXBR + 1] = {}, bulk[MXBR + 1] = {}, drop[MXBR + 1] = {}, gas[MXBR + 1] = {};
};
BranchTotals branch_totals() {
    BranchTotals t;
    int32_t b = 1;
    for (int32_t s = 1; s <= last_sections(); ++s) {
        if (NETDSC.JBND(s) > 0) {
            ++b;
            continue;
        }
        if (NETDSC.KSEC(s) != 0 || b > MXBR) continue;
        const float vol = PIPGEO.DX(s) * PIPGEO.SECAREA(s);
        const float rol = SECVAR.ROL(s), rog = SECVAR.ROG(s);
        if (rol > 1e-6f) {
            t.liq[b] += (SECVAR.ML(s) + SECVAR.MD(s)) * vol / rol;
            t.bulk[b] += SECVAR.ML(s) * vol / rol;
            t.drop[b] += SECVAR.MD(s) * vol / rol;
        }
        if (rog > 1e-6f) t.gas[b] += SECVAR.MG(s) * vol / rog;
    }
    return t;
}

// The largest section volume error since the previous row.
float global_volume_error() {
    float m = 0.0f;
    for (int32_t s = 2; s <= last_sections(); ++s)
        if (NETDSC.KSEC(s) == 0 && NETDSC.JBND(s) <= 0) m = std::max(m, SECVAR.VOLMX2(s));
    return m;
}

// Change of a run total against its initial value, in percent; 0 while
// there is no initial total to compare with.
float percent_change(double x, double x0) {
    return x0 > 1e-6 ? static_cast<float>(100.0 * (x - x0) / x0) : 0.0f;
}

// The accumulators of boundaries, sources and branches keep two sets: the
// plain name reads the first, the name ending in R the second.
bool boundary_accumulator(int32_t id, int32_t c, float& value) {
    if (c < 1 || c > MXB) return false;
    const int32_t set = (id - 118) % 2 + 1;
    const auto& a = id <= 119 ? SECVAR.QGACC : id <= 121 ? SECVAR.QLACC : SECVAR.QTACC;
    value = static_cast<float>(a(c, set));
    return true;
}

bool source_accumulator(int32_t id, int32_t k, float& value) {
    if (k < 1 || k > MXSRC) return false;
    const Secvar& v = SECVAR;
    switch (id) {
        case 143:
            value = static_cast<float>(v.SRVACC(k, 1));
            return true;
        case 144:
            value = static_cast<float>(v.SRVACC(k, 2));
            return true;
        case 145:
            value = static_cast<float>(v.SRGACC(k, 1));
            return true;
        case 146:
            value = static_cast<float>(v.SRGACC(k, 2));
            return true;
        case 147:
            value = static_cast<float>(v.SRLACC(k, 1));
            return true;
        case 148:
            value = static_cast<float>(v.SRLACC(k, 2));
            return true;
        case 149:
            value = static_cast<float>(v.SRTACC(k, 1));
            return true;
        case 161:
            value = static_cast<float>(v.SRTACC(k, 2));
            return true;
        default:
            return false;
    }
}

// Inlet and outlet masses of a branch, phase 1 gas, 2 liquid, 3 total.
bool branch_mass(int32_t id, int32_t b, float& value) {
    if (b < 1 || b > MXBR) return false;
    const Secvar& v = SECVAR;
    auto in = [&](int32_t set, int32_t phase) {
        value = static_cast<float>(v.BRMIN(b, set, phase));
    };
    auto out = [&](int32_t set, int32_t phase) {
        value = static_cast<float>(v.BRMOUT(b, set, phase));
    };
    switch (id) {
        case 184:
            in(2, 3);
            return true;  // RMASIN
        case 185:
            out(2, 3);
            return true;  // RMASUT
        case 186:
            in(2, 2);
            return true;  // RLIQIN
        case 187:
            out(2, 2);
            return true;  // RLIQUT
        case 188:
            in(2, 1);
            return true;  // RGASIN
        case 189:
            out(2, 1);
            return true;  // RGASUT
        case 190:
            in(1, 3);
            return true;  // MASSIN
        case 191:
            out(1, 3);
            return true;  // MASOUT
        case 197:
            in(1, 1);
            return true;  // GASIN
        case 198:
            out(1, 1);
            return true;  // GASOUT
        case 199:
            in(1, 2);
            return true;  // LIQIN
        case 200:
            out(1, 2);
            return true;  // LIQOUT
        default:
            return false;
    }
}

// Throat values of the choke that sits in cell c.
bool choke_value(int32_t id, int32_t c, float& value) {
    if (!valid_cell(c)) return false;
    const int32_t e = EQUIPM.ICHMAP(c);
    if (e < 1 || e > MXDEV) return false;
    if (id == 50) value = EQUIPM.PCHOKE(e);
    if (id == 51) value = EQUIPM.TCHOKE(e);
    if (id == 52) value = EQUIPM.UCHOKE(e);
    if (id == 53) value = EQUIPM.WCHOKE(e);
    return true;
}

// Valve-source values by entry k; fluxes become flows through the area of
// the valve source's section, energy sources (W/m3) powers of the section.
bool valve_source_value(int32_t id, int32_t k, float& value) {
    if (k < 1 || k > MXVSRC) return false;
    const Equipm& E = EQUIPM;
    const int32_t c = E.IVSSEC(k);
    switch (id) {
        case 150:
            value = E.WGSOVA(k) * area(c);
            return true;
        case 151:
            value = E.WLSOVA(k) * area(c);
            return true;
        case 152:
            value = valid_cell(c) ? E.HSOVA(k) * area(c) * PIPGEO.DX(c) : 0.0f;
            return true;
        case 153:
            value = E.PTSOVA(k);
            return true;
        case 154:
            value = E.TMSOVA(k);
            return true;
        case 155:
            value = E.DWGSV(k) * area(c);
            return true;
        case 156:
            value = E.DWLSV(k) * area(c);
            return true;
        case 157:
            value = E.GTSOVA(k);
            return true;
        default:
            return false;
    }
}

bool write_row(int unit, int32_t n) {
    std::string row = "   " + number(static_cast<float>(RUNCTL.TIME - TLEAK));
    for (int32_t k = 1; k <= n && k <= MXCURV; ++k) row += number(PLTCTL.VCURV(k));
    return rt::write_line(unit, row);
}

}  // namespace

void sample_curves() {
    const BranchTotals totals = branch_totals();
    for (int32_t k = 1; k <= PLTCTL.NCURV && k <= MXCURV; ++k) {
        if (PLTCTL.NPCURV(k) < 1) continue;
        const int32_t id = PLTCTL.IVCURV(k);
        const int32_t c = PLTCTL.IPCURV(1, k);
        float& value = PLTCTL.VCURV(k);

        if (const SecF* a = real_array(id)) {
            if (valid_cell(c)) value = (*a)(c);
            continue;
        }
        if (const SecI* a = whole_array(id)) {
            if (valid_cell(c)) value = static_cast<float>((*a)(c));
            continue;
        }
        const bool branch = c >= 1 && c <= MXBR;
        switch (id) {
            case 38:
                if (branch) value = totals.liq[c];
                break;
            case 41:
                if (branch) value = totals.bulk[c];
                break;
            case 59:
                if (branch) value = totals.drop[c];
                break;
            case 60:
                if (branch) value = totals.gas[c];
                break;
            case 49:
                if (c >= 1 && c <= MXCTR) value = CTRTAB.CONTR(c);
                break;
            case 36:
                value = static_cast<float>(SECVAR.RMTOT0);
                break;
            case 37:
                value = static_cast<float>(SECVAR.RMTOT);
                break;
            case 39:
                value = static_cast<float>(SECVAR.RMOUT);
                break;
            case 125:
                value = static_cast<float>(SECVAR.RMLGT);
                break;
            case 128:
                value = static_cast<float>(SECVAR.RELGT);
                break;
            case 126:
                value = percent_change(SECVAR.RMTOT, SECVAR.RMTOT0);
                break;
            case 127:
                value = percent_change(SECVAR.RMLGT, SECVAR.RMTOT0);
                break;
            case 129:
                value = percent_change(SECVAR.RETOT, SECVAR.RETOT0);
                break;
            case 130:
                value = percent_change(SECVAR.RELGT, SECVAR.RETOT0);
                break;
            case 50:
            case 51:
            case 52:
            case 53:
                choke_value(id, c, value);
                break;
            case 118:
            case 119:
            case 120:
            case 121:
            case 122:
            case 123:
                boundary_accumulator(id, c, value);
                break;
            case 143:
            case 144:
            case 145:
            case 146:
            case 147:
            case 148:
            case 149:
            case 161:
                source_accumulator(id, c, value);
                break;
            case 150:
            case 151:
            case 152:
            case 153:
            case 154:
            case 155:
            case 156:
            case 157:
                valve_source_value(id, c, value);
                break;
            case 184:
            case 185:
            case 186:
            case 187:
            case 188:
            case 189:
            case 190:
            case 191:
            case 197:
            case 198:
            case 199:
            case 200:
                branch_mass(id, c, value);
                break;
            case 137:
                // W/m3 of the source's section, shown as the section's power.
                if (c >= 1 && c <= MXSRC && valid_cell(EQUIPM.ISOUR(c)))
                    value = EQUIPM.HSOUR(c) * area(EQUIPM.ISOUR(c)) * PIPGEO.DX(EQUIPM.ISOUR(c));
                break;
            case 138:
                if (c >= 1 && c <= MXSRC) value = EQUIPM.TSRCUR(c);
                break;
            case 166:
                if (valid_cell(c)) value = SECVAR.GT(c);
                break;  // the total flow at the boundary
            case 98:
                value = LEKRES.ROGLK;
                break;
            case 99:
                value = LEKRES.ROLLK;
                break;
            case 131:
                value = global_volume_error();
                break;
            case 132:
                value = static_cast<float>(RUNCTL.NINTGR);
                break;
            case 133:
                value = static_cast<float>(RUNCTL.HT);
                break;
            case 135:
                if (c >= 1 && c <= MXSRC) value = EQUIPM.WGSOUR(c) * area(EQUIPM.ISOUR(c));
                break;
            case 136:
                if (c >= 1 && c <= MXSRC) value = EQUIPM.WLSOUR(c) * area(EQUIPM.ISOUR(c));
                break;
            case 100:
            case 101:
            case 102:
            case 103:
            case 104:
            case 105:
            case 106:
            case 107:
            case 108:
            case 109:
            case 110:
            case 111:
            case 112:
            case 113: {
                const int32_t e = leak_entry(c);
                if (e == 0) break;
                // Flows out of the pipe are stored negative; the file shows them positive.
                if (id == 100) value = -LEKRES.GTLEAK(e);
                if (id == 101) value = -LEKRES.WGLEAK(e) * area(c);
                if (id == 102) value = -LEKRES.WLLEAK(e) * area(c);
                // W/m3 of the leak section, shown as the section's power.
                if (id == 103 && valid_cell(c)) value = LEKRES.HLEAK(e) * area(c) * PIPGEO.DX(c);
                if (id == 104) value = LEKRES.PTLEAK(e);
                if (id == 105) value = LEKRES.DWGLK(e) * area(c);
                if (id == 106) value = LEKRES.DWLLK(e) * area(c);
                if (id == 107) value = static_cast<float>(LEKRES.ACGM(e));
                if (id == 108) value = static_cast<float>(LEKRES.ACLM(e));
                if (id == 109) value = static_cast<float>(LEKRES.ACMASS(e));
                if (id == 110) value = LEKRES.QGLEAK(e);
                if (id == 111) value = LEKRES.QOLEAK(e);
                if (id == 112) value = LEKRES.QGLKST(e);
                if (id == 113) value = LEKRES.QOLKST(e);
                break;
            }
            default:
                break;  // no sampler: the curve keeps its previous value
        }
    }
}

bool PLTHED() {
    const int32_t files = PLTCTL.NPLTF;
    for (int32_t f = 1; f <= files && f <= 1; ++f) {
        const int unit = PLTCTL.IUPLT;
        const int32_t n = std::clamp<int32_t>(PLTCTL.NCPLT, 0, MXCURV);
        std::string names = rt::fX(11) + std::string(VARTAB.DESC[0], 6);
        std::string units = rt::fX(11) + std::string(VARTAB.UNIT[0], 6);
        std::string cells = rt::fX(6) + rt::fX(5) + VARTAB.KIND[0] + rt::fX(9);
        for (int32_t k = 1; k <= n; ++k) {
            const int32_t id = PLTCTL.IVCURV(k);
            names += rt::fX(9) + cat_name(id);
            units += rt::fX(9) + cat_unit(id);
            if (k > 1) cells += rt::fX(5);
            // A branch label of two digits does not fit its one-character field
            // and prints as "*".
            cells +=
                rt::fI(PLTCTL.ICCURV(k), 5) + cat_kind(id) + "/BR" + rt::fI(PLTCTL.IBCURV(k), 1);
        }
        if (!rt::write_line(unit, names) || !rt::write_line(unit, units) ||
            !rt::write_line(unit, cells))
            return false;
    }
    return true;
}

void PLTTRD(int32_t& IERR, char* MSG, int32_t LMSG) {
    // 1. Sample every curve.
    sample_curves();

    // 2. The volume errors start again, so that the next row covers the time since this one.
    for (int32_t s = 2; s <= last_sections(); ++s) SECVAR.VOLMX2(s) = 0.0f;

    // 3. The next plot time.
    const double t = RUNCTL.TIME;
    int32_t p = std::clamp<int32_t>(PLTCTL.IPHASE, 1, 3);
    if (p == 2) {
        // Dense rows while the leak rate changes fast, sparser while it settles.
        const float Q = std::fabs(LEKRES.LEAKFLOW);
        float& I2 = PLTCTL.PHINT(2);
        const double dt = t - static_cast<double>(PLTCTL.TLKPRV);
        if (dt != 0.0) {
            const float R = static_cast<float>(std::fabs((Q - PLTCTL.QLKPRV) / dt));
            const float Qn = Q + I2 * R;
            if (Qn > 1.5f * Q)
                I2 = 0.8f * I2;
            else if (Qn < 1.3f * Q)
                I2 = 1.2f * I2;
            else if (R == 0.0f)
                I2 = 1.2f * I2;
        }
        I2 = std::max(std::min(I2, 10.0f), 1.0f);
        PLTCTL.QLKPRV = Q;
        PLTCTL.TLKPRV = static_cast<float>(t);
    } else if (p == 3) {
        // The expected end of the run: the user's end time, half as long again
        // as the latest inlet closing, or where the leak pressure falls to the
        // back pressure at its present rate (kept near the previous estimate).
        double E;
        const int32_t ls = EQUIPM.NLEAK >= 1 ? EQUIPM.ILKSEC(1) : 0;
        if (RUNCTL.TUSER > TLEAK) {
            E = RUNCTL.TUSER;
        } else if (RUNCTL.TCLMAX > t && RUNCTL.TCLMAX > 12000.0f) {
            E = 1.5 * RUNCTL.TCLMAX;
        } else {
            float r = valid_cell(ls) ? 0.5f * (SECVAR.DPT(ls) + SECVAR.DPTO(ls)) : 0.0f;
            r = std::min(r, -1e-6f);
            const float pb = EQUIPM.NLEAK >= 1 ? LEKRES.PTLEAK(1) : 0.0f;
            const float pt = valid_cell(ls) ? SECVAR.PT(ls) : 0.0f;
            const double T = t + (pb - pt) / r;
            E = std::max(std::min(T, 1.1 * RUNCTL.TEST0), 0.95 * RUNCTL.TEST0);
        }
        if (t > E) E = 1.05 * t;
        RUNCTL.TESTIM = static_cast<float>(E);
        const float m = RUNCTL.ROWPH3;
        const float P = PLTCTL.PHLAST;
        const float D = static_cast<float>((E - t) / (200.0f - m));
        float M = std::min(D, 1.5f * P);
        M = std::max(M, 0.667f * P);
        PLTCTL.PHINT(3) = M < 10.0f ? 10.0f : std::min(M, 3600.0f);
        RUNCTL.TEST0 = static_cast<float>(E);
        RUNCTL.ROWPH3 = std::min(m + 1.0f, 199.0f);
    }
    const float I = PLTCTL.PHINT(p);
    if (p < PLTCTL.NPHASE && p <= 2 && t + I >= PLTCTL.PHEND(p)) {
        PLTCTL.TPLOT = PLTCTL.PHEND(p);
        PLTCTL.IPHASE = p + 1;
        PLTCTL.PHLAST = (p + 1 == 2) ? 1.0f : I;
    } else {
        PLTCTL.TPLOT = t + I;
        PLTCTL.PHLAST = I;
    }

    // 4. The row, at the clock of the sample. A value that is not a number
    // ends the run here, naming where it appeared, instead of reaching the file.
    const int32_t ncurves = std::clamp<int32_t>(PLTCTL.NCPLT, 0, MXCURV);
    for (int32_t k = 1; k <= ncurves; ++k) {
        if (std::isfinite(PLTCTL.VCURV(k))) continue;
        std::string name = cat_name(PLTCTL.IVCURV(k));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        char text[200];
        std::snprintf(text, sizeof text,
                      "RESULT VARIABLE %s (CURVE %d, BRANCH %d, POSITION %d) IS NOT A FINITE "
                      "NUMBER AT TIME %.3f S. THE RUN IS STOPPED.",
                      name.c_str(), static_cast<int>(k), static_cast<int>(PLTCTL.IBCURV(k)),
                      static_cast<int>(PLTCTL.ICCURV(k)), t - TLEAK);
        return refuse(IERR, MSG, LMSG, text);
    }
    const int32_t files = PLTCTL.NPLTF;
    for (int32_t f = 1; f <= files && f <= 1; ++f)
        if (!write_row(PLTCTL.IUPLT, std::clamp<int32_t>(PLTCTL.NCPLT, 0, MXCURV)))
            refuse(IERR, MSG, LMSG,
                   "ERROR WRITING THE RESULT FILE " + rt::unit_failure(PLTCTL.IUPLT));
}

}  // namespace rel
