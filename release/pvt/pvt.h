// Fluid-property tables: the black-oil correlations, the Peng-Robinson flash
// engine behind the compositional tables, and the check of a table block.
//
// The flash engine keeps its work in two process-wide areas, CMPCAT (the
// component catalogue) and FLSCOM (the flash work area). COMPTB resets both at
// the start of every table build, so a build never depends on what was built
// before it. Everything in the engine is double precision except the
// equilibrium factors K, which are kept as 32-bit floats.
#pragma once

#include <cstdint>
#include <string>

#include "release/release.h"

namespace rel {

// ------------------------------------------------ table block check
// Refuses (IERR 1 + message) a block whose NP or NT lies outside 2..20, whose
// pressure or temperature grid is not strictly increasing, or that holds a
// non-finite value in its used part (grids, bubble points, the used entries of
// the 16 tables, water cut and the four standard-condition words).
void PVTCHK(const PVTBLK& blk, int32_t& IERR, char* MSG, int32_t LMSG);
// The first value of the used part of the 16 tables that is not a number, or
// not above 0 in a table of densities, viscosities, heat capacities or
// conductivities, described with its grid point ("GAS HEAT CAPACITY IS -16.92
// J/(kg K) AT 1e+05 Pa AND -100 C; IT MUST BE ABOVE 0"); with standard_words
// also a non-finite standard-condition word. Empty when the block is sound.
std::string PVTPHY(const PVTBLK& blk, bool standard_words);

// ------------------------------------------------ black oil
// The 16 table values of one grid point and its bubble-point pressure.
struct BoPoint {
    float PBUB;     // Pa
    float tab[16];  // tables 1..16 at index 0..15, SI units
    float RS_SCF;   // solution gas-oil ratio of the correlation, scf/STB
    float BO;       // oil formation volume factor
    float Z, Z2;    // gas z-factor at p and p + 145 psi
};
BoPoint BOCORR(float rhog, float rhoo, float gor, float p, float t);
// Dranchuk-Abou-Kassem z by the bisection of the black-oil tables; z = 1 when
// 100 evaluations do not settle it.
float ZFDAK(float ppr, float tpr);
// Lee-Gonzalez-Eakin gas viscosity, cP (molar mass, temperature deg F, gas
// density lb/ft3), with the 32 deg F form below freezing.
float lge_viscosity(float molar_mass, float t_f, float rho_lbft3);

// ------------------------------------------------ flash engine data
constexpr int MXCOMP = 30;
constexpr int MXCAT = 29;  // catalogue entries with data

struct CatEntry {
    double TC;     // K
    double PC;     // atm
    double OMEGA;  // acentric factor
    double ZC;
    double VC;     // cm3/mol
    double PARA;   // parachor
    double MW;     // g/mol
    double DENS;   // liquid density of a characterised heavy fraction, kg/m3 (0 = none)
    double SHIFT;  // volume translation, litre/mol, subtracted from the equation's volume
    double H[6];   // ideal-gas enthalpy coefficients A..F (Btu/lb, deg R)
};

struct Cmpcat {
    CatEntry E[MXCAT + 1];               // E[1..29]
    double KIJ[MXCOMP + 1][MXCOMP + 1];  // interaction coefficients, percent, [1..30][1..30]
};

// The catalogue as the library ships it (one triangle of KIJ filled).
const Cmpcat& cmpcat_initial();

struct Flscom {
    int32_t NC;
    int32_t ICAT[MXCOMP + 1];  // catalogue index per component
    double Z[MXCOMP + 1];      // feed mole fractions
    float K[MXCOMP + 1];       // equilibrium factors y/x
    double P, T;               // atm (the unit of the critical pressures), K
    double R;                  // 0.0820578
    double TOL, RRTOL;         // Newton and Rachford-Rice tolerances
    // Rachford-Rice sums (sum z K, sum z / K) below 1 + RRBAND are taken for
    // one phase
    double RRBAND;
    int32_t NITMAX, RRMAX;  // iteration limits
    // results of the last flash
    double L, V;
    double X[MXCOMP + 1], Y[MXCOMP + 1];
    double VG, VL, ZG, ZL, ROGAS, ROLIQ;
    double PHIG[MXCOMP + 1], PHIL[MXCOMP + 1];
    double HRG, HRL, DHRGDT,
        DHRLDT;                // residual enthalpies and T-derivatives, J/kg x molar mass (g/mol)
    double FLAST[MXCOMP + 1];  // residuals of the last flash evaluation
    // per component at the current temperature
    double A[MXCOMP + 1], B[MXCOMP + 1], KAPPA[MXCOMP + 1], TR[MXCOMP + 1];
    // pair terms at the current temperature, so that a mixture only sums them:
    // a(i,j) with its interaction, the mean of the two da/dT factors and the
    // d2a/dT2 factor
    double AIJ[MXCOMP + 1][MXCOMP + 1], DIJ[MXCOMP + 1][MXCOMP + 1], EIJ[MXCOMP + 1][MXCOMP + 1];
    // current mixture
    double AM, BM, S[MXCOMP + 1], AA, BB, DADT, D2ADT2, DAADT, DBBDT, DZDT;
    double HR, DHRDT;  // residual enthalpy of the last PRFUG and its T-derivative
    int32_t IROOT;     // 0 largest root (vapour), 1 smallest (liquid)
    int32_t FIRST;     // 1 until the first flash of a build
    double SRR;        // Rachford-Rice unknown carried between flashes
    // per-phase results that the table builder stores
    double VISG, VISL, CONG, CONL;       // Pa s, W/(m K)
    double HG, HL, CPG, CPL;             // J/kg, J/(kg K)
    double DRGP, DRLP, DRGT, DRLT;       // kg/m3 per atm, per K
    double SIGMA, BETA, ALPHA;           // N/m, gas mass fraction, void fraction
    double PHI[MXCOMP + 1][MXCOMP + 1];  // viscosity mixing matrix of the last GOLDEN
};

extern Cmpcat CMPCAT;
extern Flscom FLSCOM;
// When set, the flash engine writes its per-point report and its diagnostics
// to unit 6 (off by default: a GUI process has no reader for them).
extern bool FLSOUT;

// Resets CMPCAT to the shipped catalogue and FLSCOM to its cleared state.
void flash_reset();

// ------------------------------------------------ Peng-Robinson
void PRPAR(double T);
// Without derivatives, PRMIX leaves the temperature derivatives of a out and
// PRFUG those of Z and the residual enthalpy: the same a, b and phi for the
// iterations that read nothing else.
void PRMIX(double T, double P, const double* w, double& a, double& b, bool derivatives = true);
// Throws RunFailure when no acceptable root exists.
void EOSROOT(double P, double& V, double T, double a, double b);
void PRFUG(double a, double b, double Z, double T, double* phi, bool derivatives = true);

// ------------------------------------------------ flash
using ResidualFn = void (*)(int32_t& N, const double* X, double* F);
using TestFn = void (*)(int32_t N, const double* X, const double* XP, int32_t& budget);
void FLASH2(int32_t& N, const double* X, double* F);
// FLASH2 for the Newton iterations, whose end a full FLASH2 settles: the same
// residuals and phases, without the residual enthalpies.
void FLASH2_ITER(int32_t& N, const double* X, double* F);
// Throws RunFailure after 100 Rachford-Rice iterations without a split.
void FLSITR(double* x, double* y, double& L, double& V, double& s);
double RRFUN(double s, double& dfds);
void NEWTWK(int32_t N, double* XP, double* X, ResidualFn res, TestFn test, int32_t& budget);
void NEWTSYS(int32_t N, double* XP, double* X, ResidualFn res, TestFn test, double* J, double* w,
             double* f0, double* fj, double* r, int32_t& budget);
// Gauss-Jordan with full pivoting on A (N x N, column-major, leading dim N)
// and M right-hand sides B (N x M); A becomes its inverse, B the solutions.
void LUDET(double* A, int32_t N, double* B, int32_t M, double& det);
void FLSRES(int32_t N, const double* X, const double* XP, int32_t& budget);
void FLSREP();
void SRTCMP(int32_t* keys, double* values, int32_t n);
void CLRFED();
// Writes one line to unit 6 when the report is switched on.
void flash_line(const std::string& line);

// ------------------------------------------------ heavy fractions and transport
// The plus fractions the characterisation serves: from the lightest the
// catalogue leaves (hexane) to 700 g/mol, specific gravity 0.70-1.10.
constexpr float HEAVY_MW_MIN = 86.178f;
constexpr float HEAVY_MW_MAX = 700.0f;
constexpr float HEAVY_SG_MIN = 0.70f;
constexpr float HEAVY_SG_MAX = 1.10f;
// The Riazi-Daubert critical values hold up to here and turn into
// Kesler-Lee's over the next 100 g/mol or 0.1 of specific gravity.
constexpr double HEAVY_RD_MW_END = 200.0;
constexpr double HEAVY_RD_SG_END = 0.90;
// Why a plus fraction of mole weight M (g/mol) and liquid density (kg/m3)
// cannot be characterised ("MOLE WEIGHT 720 g/mol IS ABOVE 700 g/mol, ...");
// empty when it can.
std::string heavy_fraction_fault(float M, float density);
void PSEUDO(double M, double SG, double TB, double& TC, double& PC, double& VC, double& ZC,
            double& OMEGA);
void IGENTH(int32_t NC, const double* w, double T, double& H, double& CP);
void GOLDEN(double* mu);
void CNDLOW(double* cond);
void MIXVIS(const double* vis, double& mix, const double* w, int32_t NC);
void MIXCON(const double* w, const double* cond, double& mix, int32_t NC);
void DENCOR(const double* w, double mu0, double& mu, double rho, double& cond);
// Normal boiling point (K) of a heavy fraction from its molar mass and
// specific gravity.
double heavy_boiling_point(double M, double SG);

// ------------------------------------------------ volume translation
// Each characterised plus fraction (catalogue entry with DENS set) gets the
// constant shift that makes its own liquid volume at 15 C and 1 atm M/DENS;
// the light catalogue components keep the untranslated equation. Needs the
// components set up in FLSCOM; leaves PRPAR's terms at 15 C.
void fit_volume_shifts();
// The shift of a phase of composition w (sum of w SHIFT), litre/mol.
double volume_shift(const double* w);
// The shift the table builder applies, volume_shift. A test that compares
// with the untranslated equation sets one of its own and puts this back;
// with any other than volume_shift the shifts are not fitted.
extern double (*table_volume_shift)(const double* w);

// ------------------------------------------------ compositional tables
void COMPTB(const COMPREC& comp, PVTBLK& blk, int32_t& IERR, char* MSG, int32_t LMSG);

// Component values for the tools and tests: the flash at one point of a feed
// given by catalogue indices (the interaction table made symmetric), judged
// by the stability test and labelled as the table builder does at a node.
struct FlashPoint {
    double V, L, ZG, ZL, ROG, ROL;
    double x[MXCOMP + 1], y[MXCOMP + 1];
};
FlashPoint flash_point(int32_t nc, const int32_t* icat, const double* z, double T_K, double P_atm);
// Pressure (atm) at which liquid and vapour of one catalogue component have
// equal fugacity at T_K (below its critical temperature).
double saturation_pressure(int32_t icat, double T_K);

}  // namespace rel
