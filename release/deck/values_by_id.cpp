// Result values by variable id and cell, and the global cell of a branch's
// local section.
//
// Some result arrays belong to parts of the run that not every build of the
// state carries yet; they are found by name, and an id whose array is
// absent has no value (an error, never a silent zero).
#include <cmath>
#include <string>

#include "deck/deck.h"
#include "deck/values.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/state.h"

namespace rel {

namespace {

// Pointer to field NAME of area A, or a null pointer when A has none.
#define FIELD(A, NAME)                                                  \
    ([](auto& area) {                                                   \
        if constexpr (requires { area.NAME; }) return &area.NAME;       \
        else return static_cast<SecF*>(nullptr);                        \
    }(A))

// The same for a scalar field.
#define SFIELD(A, NAME)                                                 \
    ([](auto& area) {                                                   \
        if constexpr (requires { area.NAME; }) return &area.NAME;       \
        else return static_cast<double*>(nullptr);                      \
    }(A))

enum class Got { value, undefined, absent, bad_index };

// Element I of a per-section or per-boundary array (0..MXB).
template <class P>
Got element(P p, int32_t I, float& v, bool magnitude = false) {
    if (!p) return Got::absent;
    if (I < 0 || I > MXB) return Got::bad_index;
    v = static_cast<float>((*p)(I));
    if (magnitude) v = std::fabs(v);
    return Got::value;
}

template <class P>
Got scalar(P p, float& v) {
    if (!p) return Got::absent;
    v = static_cast<float>(*p);
    return Got::value;
}

// Distance along its branch of boundary I: the downstream face of the
// section before it when that section lies in the same branch, else 0.
float boundary_distance(int32_t I) {
    if (I <= 1) return 0.0f;
    return NETDSC.IBRSEC(I - 1) == NETDSC.IBRSEC(I) ? PIPGEO.XFACE(I - 1) : 0.0f;
}

// Liquid volume of the branch holding cell I: sections of boundary code 0
// that do not end a branch, each (ML + MD) dx A / ROL.
float liquid_content(int32_t I) {
    Arr<double, MXBR> sum{};
    sum.fill(0.0);
    int32_t b = 1, holder = 1;
    for (int32_t s = 1; s <= PIPGEO.NSEC && s <= MXSEC; ++s) {
        if (s == I) holder = b;
        if (NETDSC.JBND(s) > 0) {
            if (b < MXBR) ++b;
            continue;
        }
        if (NETDSC.KSEC(s) != 0 || SECVAR.ROL(s) <= 1.0e-6f) continue;
        sum(b) += (static_cast<double>(SECVAR.ML(s)) + SECVAR.MD(s)) * PIPGEO.DX(s) *
                  PIPGEO.SECAREA(s) / SECVAR.ROL(s);
    }
    return static_cast<float>(sum(holder));
}

// |mass flux x flow area of the item's cell|.
Got item_flow(float flux, int32_t cell, float& v) {
    if (cell < 1 || cell > MXB) return Got::bad_index;
    v = std::fabs(flux * PIPGEO.SECAREA(cell));
    return Got::value;
}

}  // namespace

namespace deck {

Got_t value_of(int32_t ID, int32_t I, float& v, bool gather) {
    auto& S = SECVAR;
    v = 0.0f;
    if (ID < 1 || ID > 200 || ID == 1) {
        if (I < 0 || I > MXB) return Got_t::bad_index;
        v = boundary_distance(I);
        return Got_t::value;
    }
    Got g = Got::undefined;
    switch (ID) {
        case 2: g = element(FIELD(S, UL), I, v); break;
        case 3: g = element(FIELD(S, UG), I, v); break;
        case 4: g = element(FIELD(S, USL), I, v); break;
        case 5: g = element(FIELD(S, USG), I, v); break;
        case 6: g = element(FIELD(S, UO), I, v); break;
        case 7: g = element(FIELD(S, DS), I, v); break;
        case 8: g = element(FIELD(S, WL), I, v); break;
        case 9: g = element(FIELD(S, WG), I, v); break;
        case 10: g = element(FIELD(S, QT), I, v, true); break;
        case 11: g = element(FIELD(S, QLT), I, v, true); break;
        case 12: g = element(FIELD(S, QL), I, v, true); break;
        case 13: g = element(FIELD(S, QG), I, v, true); break;
        case 14: g = element(FIELD(S, QD), I, v, true); break;
        case 15: g = element(FIELD(S, DUL), I, v); break;
        case 16: g = element(FIELD(S, DUG), I, v); break;
        case 17: g = element(FIELD(S, SLAI), I, v); break;
        case 18: g = element(FIELD(S, SLAL), I, v); break;
        case 19: g = element(FIELD(S, SLAG), I, v); break;
        case 20: g = element(FIELD(S, UD), I, v); break;
        case 21: g = element(FIELD(S, UDO), I, v); break;
        case 22: g = element(FIELD(S, WD), I, v); break;
        case 23: g = element(FIELD(S, GT), I, v, true); break;
        case 24: g = element(FIELD(S, GLT), I, v, true); break;
        case 25: g = element(FIELD(S, GL), I, v, true); break;
        case 26: g = element(FIELD(S, GG), I, v, true); break;
        case 27: g = element(FIELD(S, GD), I, v, true); break;
        case 28: g = element(FIELD(S, USD), I, v); break;
        case 36: g = scalar(SFIELD(S, RMTOT0), v); break;
        case 37: g = scalar(SFIELD(S, RMTOT), v); break;
        case 38:
            if (I < 1 || I > MXSEC) return Got_t::bad_index;
            v = liquid_content(I);
            g = Got::value;
            break;
        case 39: g = scalar(SFIELD(S, RMOUT), v); break;
        case 40: g = element(FIELD(S, ID), I, v); break;
        case 43: g = element(FIELD(S, JUL), I, v); break;
        case 44: g = element(FIELD(S, JUG), I, v); break;
        case 45: g = element(FIELD(S, TW), I, v); break;
        case 49:
            if (I < 1 || I > MXCTR) return Got_t::bad_index;
            v = CTRTAB.CONTR(I);
            g = Got::value;
            break;
        case 61: g = element(FIELD(S, ROL), I, v); break;
        case 62: g = element(FIELD(S, ROG), I, v); break;
        case 63: g = element(FIELD(S, AL), I, v); break;
        case 64: g = element(FIELD(S, BE), I, v); break;
        case 65: g = element(FIELD(S, GA), I, v); break;
        case 66: g = element(FIELD(S, ML), I, v); break;
        case 67: g = element(FIELD(S, MG), I, v); break;
        case 68: g = element(FIELD(S, MD), I, v); break;
        case 69: g = element(FIELD(S, PSI), I, v); break;
        case 72: g = element(FIELD(S, RS), I, v); break;
        case 73: g = element(FIELD(S, TM), I, v); break;
        case 74: g = element(FIELD(S, PT), I, v); break;
        case 75: g = element(FIELD(S, HL), I, v); break;
        case 76: g = element(FIELD(S, HG), I, v); break;
        case 77: g = element(FIELD(S, VISL), I, v); break;
        case 78: g = element(FIELD(S, VISG), I, v); break;
        case 79: g = element(FIELD(S, QM), I, v); break;
        case 80: g = element(FIELD(S, DML), I, v); break;
        case 81: g = element(FIELD(S, DMG), I, v); break;
        case 82: g = element(FIELD(S, DPT), I, v); break;
        case 83: g = element(FIELD(S, DPTO), I, v); break;
        case 84: g = element(FIELD(S, DTM), I, v); break;
        case 85: g = element(FIELD(S, DPZ), I, v); break;
        case 86: g = element(FIELD(S, DRLP), I, v); break;
        case 87: g = element(FIELD(S, DRGP), I, v); break;
        case 88: g = element(FIELD(S, DRLT), I, v); break;
        case 89: g = element(FIELD(S, DRGT), I, v); break;
        case 90: g = element(FIELD(S, Q2), I, v); break;
        case 91: g = element(FIELD(S, HOL), I, v); break;
        case 92: g = element(FIELD(S, VOL), I, v); break;
        case 100:
            if (I < 1 || I > MXLEK) return Got_t::bad_index;
            v = std::fabs(LEKRES.GTLEAK(I));
            g = Got::value;
            break;
        case 101:
        case 102:
            if (I < 1 || I > MXLEK) return Got_t::bad_index;
            g = item_flow(ID == 101 ? LEKRES.WGLEAK(I) : LEKRES.WLLEAK(I), EQUIPM.ILKSEC(I), v);
            break;
        case 135:
        case 136:
            if (I < 1 || I > MXSRC) return Got_t::bad_index;
            g = item_flow(ID == 135 ? EQUIPM.WGSOUR(I) : EQUIPM.WLSOUR(I), EQUIPM.ISOUR(I), v);
            break;
        case 150:
        case 151: {
            if (I < 1 || I > MXVSRC) return Got_t::bad_index;
            auto p = ID == 150 ? FIELD(EQUIPM, WGSOVA) : FIELD(EQUIPM, WLSOVA);
            if (!p) return Got_t::absent;
            g = item_flow(static_cast<float>((*p)(I)), EQUIPM.IVSSEC(I), v);
            break;
        }
        case 157: {
            if (I < 1 || I > MXVSRC) return Got_t::bad_index;
            auto p = FIELD(EQUIPM, GTSOVA);
            if (!p) return Got_t::absent;
            v = std::fabs(static_cast<float>((*p)(I)));
            g = Got::value;
            break;
        }
        default:
            break;
    }
    // The profile gatherer also serves a few arrays that have no value by id.
    if (gather && g == Got::undefined) {
        switch (ID) {
            case 29: g = element(FIELD(S, PSID), I, v); break;
            case 30: g = element(FIELD(S, PSIE), I, v); break;
            case 54: g = element(FIELD(S, JUD), I, v); break;
            case 95: g = element(FIELD(S, SIG), I, v); break;
            case 115: {
                auto p = FIELD(S, VOLMAX);
                g = p ? element(p, I, v) : element(FIELD(S, VOLMX2), I, v);
                break;
            }
            default: break;
        }
    }
    switch (g) {
        case Got::value: return Got_t::value;
        case Got::absent: return Got_t::absent;
        case Got::bad_index: return Got_t::bad_index;
        default: return Got_t::undefined;
    }
}

void reset_volume_errors() {
    auto p = FIELD(SECVAR, VOLMAX);
    auto q = p ? p : FIELD(SECVAR, VOLMX2);
    if (!q) return;
    for (int32_t s = 2; s <= PIPGEO.NSEC && s <= MXB; ++s) (*q)(s) = 0.0f;
}

}  // namespace deck

float GETINP(int32_t ID, int32_t I, int32_t& IERR, char* MSG, int32_t LMSG) {
    float v = 0.0f;
    switch (deck::value_of(ID, I, v, false)) {
        case deck::Got_t::value:
            return v;
        case deck::Got_t::undefined:
            rt::write_line(IOUNIT.IULOG, " ERROR: VARIABLE ID NOT DEFINED (GETINP)");
            refuse(IERR, MSG, LMSG, "ERROR: VARIABLE ID NOT DEFINED (GETINP): " + std::to_string(ID));
            return 0.0f;
        case deck::Got_t::absent:
            refuse(IERR, MSG, LMSG,
                   "GETINP: variable id " + std::to_string(ID) + " has no values in this run");
            return 0.0f;
        case deck::Got_t::bad_index:
            refuse(IERR, MSG, LMSG, "GETINP: index " + std::to_string(I) + " outside the state for variable id " +
                                        std::to_string(ID));
            return 0.0f;
    }
    return 0.0f;
}

int32_t ICELL(int32_t IBR, int32_t J) {
    int32_t off = 0;
    for (int32_t b = 1; b < IBR && b <= MXBR; ++b) off += NETDSC.NSECBR(b);
    const int32_t t = IBR >= 1 && IBR <= MXBR ? NETDSC.ITYPBR(IBR) : 0;
    const int32_t R = (t == 0 || t == 1) ? 2 : 1;
    return off + J + R - 1;
}

}  // namespace rel
