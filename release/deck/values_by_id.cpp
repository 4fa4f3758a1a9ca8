// Result values by variable id and cell, and the global cell of a branch's
// local section. Which state array holds a variable, and whether it is read
// as stored or as a magnitude, comes from the result-variable table.
#include <cmath>
#include <string>

#include "deck/deck.h"
#include "deck/values.h"
#include "output/variables.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/state.h"

namespace rel {

namespace {

using deck::Got_t;

// Element I of a per-section or per-boundary array (0..MXB).
template <class P>
Got_t element(P p, int32_t I, float& v, bool magnitude = false) {
    if (I < 0 || I > MXB) return Got_t::bad_index;
    v = static_cast<float>((*p)(I));
    if (magnitude) v = std::fabs(v);
    return Got_t::value;
}

template <class P>
Got_t scalar(P p, float& v) {
    v = static_cast<float>(*p);
    return Got_t::value;
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
Got_t item_flow(float flux, int32_t cell, float& v) {
    if (cell < 1 || cell > MXB) return Got_t::bad_index;
    v = std::fabs(flux * PIPGEO.SECAREA(cell));
    return Got_t::value;
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
    Got_t g = Got_t::undefined;
    if (const ResultVar* var = result_var(ID); var && var->by_id != ById::no) {
        const bool served = var->by_id != ById::gather || gather;
        if (served && var->real)
            return (element(&(S.*(var->real)), I, v, var->by_id == ById::magnitude));
        if (served && var->whole) return (element(&(S.*(var->whole)), I, v));
    }
    switch (ID) {
        case 36:
            g = scalar(&S.RMTOT0, v);
            break;
        case 37:
            g = scalar(&S.RMTOT, v);
            break;
        case 38:
            if (I < 1 || I > MXSEC) return Got_t::bad_index;
            v = liquid_content(I);
            g = Got_t::value;
            break;
        case 39:
            g = scalar(&S.RMOUT, v);
            break;
        case 49:
            if (I < 1 || I > MXCTR) return Got_t::bad_index;
            v = CTRTAB.CONTR(I);
            g = Got_t::value;
            break;
        case 100:
            if (I < 1 || I > MXLEK) return Got_t::bad_index;
            v = std::fabs(LEKRES.GTLEAK(I));
            g = Got_t::value;
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
            g = item_flow(ID == 150 ? EQUIPM.WGSOVA(I) : EQUIPM.WLSOVA(I), EQUIPM.IVSSEC(I), v);
            break;
        }
        case 157: {
            if (I < 1 || I > MXVSRC) return Got_t::bad_index;
            v = std::fabs(static_cast<float>(EQUIPM.GTSOVA(I)));
            g = Got_t::value;
            break;
        }
        default:
            break;
    }
    return g;
}

void reset_volume_errors() {
    for (int32_t s = 2; s <= PIPGEO.NSEC && s <= MXB; ++s) SECVAR.VOLMX2(s) = 0.0f;
}

}  // namespace deck

float GETINP(int32_t ID, int32_t I, int32_t& IERR, char* MSG, int32_t LMSG) {
    float v = 0.0f;
    switch (deck::value_of(ID, I, v, false)) {
        case deck::Got_t::value:
            return v;
        case deck::Got_t::undefined:
            rt::write_line(IOUNIT.IULOG, " ERROR: VARIABLE ID NOT DEFINED (GETINP)");
            refuse(IERR, MSG, LMSG,
                   "ERROR: VARIABLE ID NOT DEFINED (GETINP): " + std::to_string(ID));
            return 0.0f;
        case deck::Got_t::bad_index:
            refuse(IERR, MSG, LMSG,
                   "GETINP: index " + std::to_string(I) + " outside the state for variable id " +
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
