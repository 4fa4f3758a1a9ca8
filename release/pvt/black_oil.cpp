// Black-oil property tables: BLACKOIL checks four black-oil parameters and
// fills the table block point by point through BOCORR.
//
// The correlations work in field units (psia, deg F, lb/ft3, scf/STB, cP) and
// in 32-bit floats, and convert to SI on output. The undersaturated oil
// viscosity is the published Kartoatmodjo-Schmidt form (-0.006517 mu^1.8148).
#include <cmath>
#include <exception>

#include "pvt/pvt.h"
#include "run/entry_scope.h"
#include "run/errors.h"

namespace rel {
namespace {

const float PGRID_BO[20] = {1.0e5f, 2.0e5f,  5.0e5f, 1.0e6f, 2.5e6f, 5.0e6f, 7.5e6f,
                            1.0e7f, 1.25e7f, 1.5e7f, 2.0e7f, 2.5e7f, 3.0e7f, 3.5e7f,
                            4.0e7f, 5.0e7f,  6.0e7f, 7.5e7f, 1.0e8f, 1.5e8f};
const float TGRID_BO[18] = {-30.f, 0.f,  5.f,  10.f, 15.f,  20.f,  30.f,  40.f,  50.f,
                            60.f,  70.f, 80.f, 90.f, 100.f, 110.f, 120.f, 130.f, 200.f};

// The z-factor search ends when the equation's z and the ideal-gas side
// agree this closely. At 1e-3 the gas density carried a saw-tooth of up to
// 0.15 % from one pressure to the next, locally falling with rising pressure,
// which no pressure derivative can follow; a tighter end costs some twenty
// more halvings of the bracket.
constexpr float Z_SETTLED = 1.0e-5f;

// Dranchuk-Abou-Kassem: z as a function of reduced density and temperature.
float dak_z(float rhor, float tpr) {
    const float A1 = 0.3265f, A2 = -1.0700f, A3 = -0.5339f, A4 = 0.01569f, A5 = -0.05165f,
                A6 = 0.5475f, A7 = -0.7361f, A8 = 0.1844f, A9 = 0.1056f, A10 = 0.6134f,
                A11 = 0.7210f;
    float t = tpr;
    float r2 = rhor * rhor;
    float c1 = A1 + A2 / t + A3 / (t * t * t) + A4 / (t * t * t * t) + A5 / (t * t * t * t * t);
    float c2 = A6 + A7 / t + A8 / (t * t);
    float c3 = A9 * (A7 / t + A8 / (t * t));
    float c4 = A10 * (1.0f + A11 * r2) * (r2 / (t * t * t)) * std::exp(-A11 * r2);
    return 1.0f + c1 * rhor + c2 * r2 - c3 * r2 * r2 * rhor + c4;
}

}  // namespace

float ZFDAK(float ppr, float tpr) {
    // Bisection on the reduced density between the ideal-gas z (0.27 Ppr /
    // (rho_r Tpr)) and the equation's z.
    float lo = 0.0f, hi = 10.0f;
    float rhor = 0.27f * ppr / (1.5f * tpr);
    for (int n = 1; n <= 100; ++n) {
        float zdef = 0.27f * ppr / (rhor * tpr);
        float zeos = dak_z(rhor, tpr);
        if (n == 100) return 1.0f;
        if (std::fabs(zeos - zdef) <= Z_SETTLED) return zeos;
        if (zeos < zdef)
            lo = rhor;
        else
            hi = rhor;
        rhor = 0.5f * (lo + hi);
    }
    return 1.0f;
}

float lge_viscosity(float M, float t_f, float rho) {
    float K, X;
    if (t_f >= 32.0f) {
        float t_r = t_f + 459.6f;
        K = (9.4f + 0.02f * M) * std::pow(t_r, 1.5f) / (19.0f * M + t_f + 668.6f);
        X = 0.01f * M + 986.0f / t_r + 3.5f;
    } else {
        K = (9.4f + 0.02f * M) * 10899.782f / (19.0f * M + 700.6f);
        X = 0.01f * M + 5.5056953f;
    }
    float Y = 2.4f - 0.2f * X;
    return 1.0e-4f * K * std::exp(X * std::pow(rho / 62.4f, Y));
}

BoPoint BOCORR(float rhog, float rhoo, float gor, float p, float t) {
    BoPoint out{};
    // 1. conversions
    float p_bar = p / 100000.0f;
    float p_psi = 14.503774f * p_bar;
    float t_f = 1.8f * t + 32.0f;
    float SG = rhoo / 1000.0f;
    float API = 141.5f / SG - 131.5f;
    float g = rhog / 1.2337f;
    float Rsb = gor * 0.158987f / 0.028316848f;
    // 2. gas gravity at separator conditions (59 deg F, 14.7 psia)
    float gs = g * (1.0f + 5.912e-5f * API * 59.0f * std::log10(0.1281251f));
    // 3. constant sets
    float C1, C2, C3, D1, D2, D3, E1, E2, E3;
    if (API > 30.0f) {
        C1 = 0.0178f;
        C2 = 1.187f;
        C3 = 23.931f;
        D1 = 56.18f;
        D2 = 0.84246f;
        D3 = 10.393f;
        E1 = 4.670e-4f;
        E2 = 1.100e-5f;
        E3 = 1.337e-9f;
    } else {
        C1 = 0.0362f;
        C2 = 1.0937f;
        C3 = 25.7245f;
        D1 = 27.62f;
        D2 = 0.914328f;
        D3 = 11.172f;
        E1 = 4.677e-4f;
        E2 = 1.751e-5f;
        E3 = -1.811e-8f;
    }
    // 4. solution gas-oil ratio of the correlation (not bounded by Rsb)
    float Rs = C1 * gs * std::pow(p_psi, C2) * std::exp(C3 * API / (t_f + 460.0f));
    // 5. bubble point
    float pb = std::pow(D1 * Rsb / gs * std::pow(10.0f, -D3 * API / (t_f + 459.6f)), D2);
    out.PBUB = pb / 14.503774f * 100000.0f;
    // 6. formation volume factor and compressibility
    float Q = API / gs;
    float dT = t_f - 60.0f;
    float Bsat = std::max(1.0f, 1.0f + E1 * Rs + dT * Q * (E2 + E3 * Rs));
    float co = 6.8257e-6f * std::pow(Rs, 0.5002f) * std::pow(API, 0.3613f) *
               std::pow(std::max(t_f, 32.0f), 0.76606f) * std::pow(gs, -0.35505f) / p_psi;
    bool saturated = p_psi <= pb;
    float Bob = 1.0f + E1 * Rsb + dT * Q * (E2 + E3 * Rsb);
    float Bo = saturated ? Bsat : std::max(1.0f, Bob * std::exp(-co * (p_psi - pb)));
    // 7. gas gravity. The free gas and the dissolved gas are both taken at
    // the whole gas's gravity g: its mass (step 11) and its volume (step 10)
    // then agree, and dissolved plus free gas is the fluid's whole gas, GOR
    // times the entered gas density, at every pressure. (A free-gas gravity
    // from the balance with the correlation's dissolved-gas gravity is 0/0 at
    // the bubble point and leaves [0.56, g] for most oils, so that bounding it
    // creates or loses gas mass.)
    // 8. oil density and derivatives, lb/ft3. The oil carries the stock-tank
    // oil and the gas that has not come free, so the tables' liquid holds the
    // formation volume factor's volume on both sides of the bubble point.
    float rho_o, drodT;
    if (saturated) {
        float m = 62.4f * SG + 0.0136f * Rs * g;
        rho_o = m / Bo;
        drodT = -m / (Bo * Bo) * Q * (E2 + E3 * Rs);
    } else {
        float m = 62.4f * SG + 0.0136f * Rsb * g;
        float e = std::exp(co * (p_psi - pb));
        rho_o = m / Bob * e;
        drodT = -e * Q * (E2 + E3 * Rsb) * m / (Bob * Bob);
    }
    float drodp = co * rho_o;
    // 9. gas z-factor (Standing pseudo-criticals)
    float tpr = (t_f + 459.7f) / (187.0f + 330.0f * g - 71.5f * g * g);
    float ppc = 706.0f - 51.7f * g - 11.1f * g * g;
    float z = ZFDAK(p_psi / ppc, tpr);
    float z2 = ZFDAK((p_psi + 145.0f) / ppc, tpr);
    // 10. gas density, lb/ft3: the free gas fills V Bg, the gas volume of
    // its standard volume V at this pressure and temperature.
    float rho_g = 2.7f * g * p_psi / ((t_f + 459.66f) * z);
    float drgdp = rho_g * (1.0f / p_psi - ((z2 - z) / z) / 145.0f);
    float dd = 50.0f * t_f + 22983.0f;
    float drgdT = -6750.0f * g * p_psi / (dd * dd * z);
    // 11. free-gas mass fraction of the whole fluid (the stock-tank oil and
    // all its gas), from the standard-condition densities
    float V = gor - Rs * 0.028316848f / 0.158987f;
    float beta = 0.0f;
    if (!(p_psi > pb) && V > 0.0f) beta = V * rhog / (rhoo + gor * rhog);
    // 12. oil viscosity, cP
    float lapi = std::log10(API);
    float mu_od = t_f >= 32.0f ? 1.6e9f * std::pow(t_f, -2.8177f) *
                                     std::pow(lapi, 5.7526f * std::log10(t_f) - 26.9718f)
                               : 91845.74f * std::pow(lapi, -18.313274f);
    float mu_ob = 10.715f * std::pow(Rs + 100.0f, -0.515f) *
                  std::pow(mu_od, 5.44f * std::pow(Rs + 150.0f, -0.338f));
    float mu_o = mu_ob;
    if (!saturated)
        mu_o = 1.00081f * mu_ob +
               0.001127f * (p_psi - pb) *
                   (-0.006517f * std::pow(mu_ob, 1.8148f) + 0.038f * std::pow(mu_ob, 1.59f));
    // 13. surface tension, dyn/cm
    float sigma = (42.5f - 0.2612f * API - 0.05f * t_f) * std::exp(-0.00073f * p_psi);
    // 14. gas viscosity, cP
    float mu_g = lge_viscosity(28.97f * g, t_f, rho_g);
    // 15-20. heat capacities, enthalpies, conductivities (SI)
    float cp_l = (0.388f + 0.00045f * t_f) / std::sqrt(SG) * 4186.8f;
    float cp_g = std::sqrt(std::min(p_bar, 350.0f)) * (70.0f - 0.25f * t) + 1963.5f;
    float h_l = (t - 15.0f) * cp_l + 10000.0f;
    float pb2 = p_bar * p_bar;
    float H0 =
        2159.0f - 1521.0f * p_bar + 3.008f * pb2 - 0.00231f * pb2 * p_bar + 6.28e-7f * pb2 * pb2;
    float H150 = 327700.0f - 538.0f * p_bar + 0.8087f * pb2 - 0.0004674f * pb2 * p_bar +
                 1.05e-7f * pb2 * pb2;
    float h_g = H0 + (H150 - H0) * t / 150.0f;
    float k_l = 1.62f * (1.0f - 0.0003f * (t_f - 32.0f)) / (24.0f * SG) * 1.73f;
    float k_g = (0.0001f - 1.3e-7f * t) * p_bar + 0.05f;
    // 21. output
    const float dens = 16.01846f;
    const float dpres = 16.01846f * 14.50377f / 100000.0f;
    const float dtemp = 16.01846f * 1.8f;
    out.tab[0] = rho_g * dens;
    out.tab[1] = rho_o * dens;
    out.tab[2] = drgdp * dpres;
    out.tab[3] = drodp * dpres;
    out.tab[4] = drgdT * dtemp;
    out.tab[5] = drodT * dtemp;
    out.tab[6] = beta;
    out.tab[7] = mu_g / 1000.0f;
    out.tab[8] = mu_o / 1000.0f;
    out.tab[9] = cp_g;
    out.tab[10] = cp_l;
    out.tab[11] = h_g;
    out.tab[12] = h_l;
    out.tab[13] = k_g;
    out.tab[14] = k_l;
    out.tab[15] = sigma / 1000.0f;
    out.RS_SCF = Rs;
    out.BO = Bo;
    out.Z = z;
    out.Z2 = z2;
    return out;
}

}  // namespace rel

namespace {
// The accepted ranges of the public header, compared in float.
constexpr float limit(double value) { return static_cast<float>(value); }
}  // namespace

extern "C" RELEASE_API void RELEASE_CALL BLACKOIL(float* gas_density, float* oil_density,
                                                  float* gor, float* water_cut, PVTBLK* pvtblk,
                                                  int32_t* IERR, char* MSG, int32_t msg_len) {
    using namespace rel;
    const EntryScope scope;
    if (!scope.held()) return refuse(*IERR, MSG, msg_len, BUSY_MESSAGE);
    try {
        float rog = *gas_density, roo = *oil_density, gr = *gor, wc = *water_cut;
        // A NaN passes every comparison below, so non-finite input is refused first.
        if (!std::isfinite(rog) || !std::isfinite(roo) || !std::isfinite(gr) || !std::isfinite(wc))
            return refuse(*IERR, MSG, msg_len, "BLACK OIL PARAMETERS MUST BE FINITE NUMBERS");
        if (roo > limit(RELEASE_BLACK_OIL_OIL_DENSITY_MAX))
            return refuse(*IERR, MSG, msg_len,
                          "OIL DENSITY MUST BE LOWER THAN 8 ppg (16 API, 960 kg/m3)");
        if (roo < limit(RELEASE_BLACK_OIL_OIL_DENSITY_MIN))
            return refuse(*IERR, MSG, msg_len,
                          "OIL DENSITY MUST BE HIGHER THAN 6 ppg (62 API, 730 kg/m3)");
        if (rog > limit(RELEASE_BLACK_OIL_GAS_DENSITY_MAX))
            return refuse(*IERR, MSG, msg_len,
                          "GAS DENSITY MUST BE LOWER THAN 0.075 lb/ft3 (1.2 kg/m3)");
        if (rog < limit(RELEASE_BLACK_OIL_GAS_DENSITY_MIN))
            return refuse(*IERR, MSG, msg_len,
                          "GAS DENSITY MUST BE HIGHER THAN 0.037 lb/ft3 (0.6 kg/m3)");
        if (gr > limit(RELEASE_BLACK_OIL_GOR_MAX))
            return refuse(*IERR, MSG, msg_len,
                          "GAS OIL RATIO MUST BE LOWER THAN 10000 scf/stb (1800 Sm3/Sm3)");
        // A negative ratio gives a bubble point of a negative number to a
        // fractional power: NaN through every table.
        if (gr < limit(RELEASE_BLACK_OIL_GOR_MIN))
            return refuse(*IERR, MSG, msg_len, "GAS OIL RATIO MUST NOT BE NEGATIVE");
        if (wc > limit(RELEASE_BLACK_OIL_WATER_CUT_MAX) ||
            wc < limit(RELEASE_BLACK_OIL_WATER_CUT_MIN))
            return refuse(*IERR, MSG, msg_len, "WATERCUT MUST BE BETWEEN 0 and 90 %");

        // Work on a copy so that the caller's block changes only as a whole.
        PVTBLK blk = *pvtblk;
        blk.NT = 18;
        blk.WCUT = wc;
        blk.NP = 20;
        for (int j = 0; j < 20; ++j) blk.P[j] = PGRID_BO[j];
        for (int i = 0; i < 18; ++i) blk.T[i] = TGRID_BO[i];
        for (int i = 1; i <= 18; ++i) {
            for (int j = 1; j <= blk.NP; ++j) {
                BoPoint pt = BOCORR(rog, roo, gr, blk.P[j - 1], blk.T[i - 1]);
                blk.PBUB[i - 1] = pt.PBUB;
                for (int k = 1; k <= 16; ++k) blk.TAB[k - 1][j - 1][i - 1] = pt.tab[k - 1];
            }
        }
        // The correlations are trusted only where they give a physical fluid.
        const std::string fault = PVTPHY(blk, false);
        if (!fault.empty())
            return refuse(*IERR, MSG, msg_len, "BLACK OIL TABLES NOT PHYSICAL: " + fault);
        *pvtblk = blk;
    } catch (const std::exception& e) {
        refuse(*IERR, MSG, msg_len, e.what());
    }
}
