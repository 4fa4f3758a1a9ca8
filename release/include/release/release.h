// The one public header of the simulation library `release`.
//
// The library exports three entries with C linkage (RELEASE, BLACKOIL,
// COMPPVT) and RELTIM, which tells a progress callback how far the running
// call has got; every argument passes by reference (a pointer), except text
// lengths, which pass by value as 32-bit integers right after their text.
// The blocks below describe the caller's input record word by word: all
// words are four bytes, INTEGER*4 or REAL*4.
//
// Errors: every entry sets its IERR to 0 on success; 1 means refused input
// or a failed run, with the reason in MSG; RELEASE also returns 9999 when the
// progress callback stopped the run ("SIMULATION ABORTED!"). On success MSG
// is blank or holds a warning (for example a release still going at the
// user's end time). No entry ever ends the calling process.
//
// Texts: each entry writes MSG blank-padded up to its length argument and
// never beyond it (RELEASE writes at most 256 characters); 256 characters
// hold every message.
// The result path passes with its length (at most 256 characters, no
// terminating zero needed); RELEASE replaces its last three characters by
// "plt" and "log" for the result time series and the run log it writes.
//
// Threads: the library keeps its state in the process and runs one call at a
// time per process. A call of RELEASE, BLACKOIL or COMPPVT made while another
// one runs (on another thread, or from the progress callback) touches nothing
// and comes back at once with IERR 1 and "THE LIBRARY IS RUNNING ANOTHER CALL
// IN THIS PROCESS: ONE CALL AT A TIME". The callback runs on the thread that
// called RELEASE. RELTIM is not such a call: it never waits and may be made
// from any thread at any time.
//
// Locale: the files the library writes and reads have the same bytes whatever
// the process locale (numbers with a decimal point). For the time of a call
// the calling thread has the C locale; the caller's own is back in place
// while the callback runs and when the call returns. The process locale
// (setlocale) is never changed.
#ifndef RELEASE_RELEASE_H
#define RELEASE_RELEASE_H

#include <math.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define RELEASE_CALL __stdcall
#else
#define RELEASE_CALL
#endif

#define RELEASE_API __attribute__((visibility("default")))

/* Constants shared by the library and its callers. */
#define RELEASE_LEAK_OPENS 11400.0      /* s of simulated time: the warm-up ends, the leak opens */
#define RELEASE_GRAVITY 9.80665         /* m/s2 */
#define RELEASE_STD_PRESSURE 101325.0   /* Pa, standard conditions */
#define RELEASE_STD_TEMPERATURE 15.0    /* deg C, standard conditions */
#define RELEASE_SMALLEST_OPENING 1.0e-6 /* m2: the leak model shuts a smaller one (1.13 mm) */
#define RELEASE_SEA_WATER_DENSITY \
    1030.0 /* kg/m3: a leak's back pressure is the sea's at its depth */
#define RELEASE_WATER_DENSITY \
    1020.0 /* kg/m3: the produced water that the water cut mixes into the liquid */
/* s after the leak opens: a run without a user end time ends then at the
   latest (30 days). */
#define RELEASE_LONGEST_RELEASE 2592000.0
/* Pa: below this pressure difference across the leak nothing flows out. */
#define RELEASE_LEAK_DEAD_BAND 0.1
/* A run that had to stop after the leak released something returns IERR 0
   with its results up to the stop and a message that starts with this text;
   its summary time is then only a lower bound of the release time. */
#define RELEASE_RUN_STOPPED_TEXT "WARNING: THE RUN STOPPED "
/* A run whose line had not settled when the leak opened (over the warm-up's
   last RELEASE_WARMUP_CHECK s its liquid or its outlet flow still swung)
   returns IERR 0 and its results with a message that holds this text and the
   swings measured; such results depend on where the swing stood then. */
#define RELEASE_NOT_SETTLED_TEXT "WARNING: THE LINE HAD NOT SETTLED WHEN THE LEAK OPENED"
#define RELEASE_WARMUP_CHECK 2000.0 /* s before the leak opens */
/* A run whose pressure left the fluid tables at their top fails with IERR 1
   and a message that starts with this text. */
#define RELEASE_PRESSURE_TOO_HIGH_TEXT "PRESSURE TOO HIGH."
/* A run whose line rose above RELEASE_HIGHEST_LINE_PRESSURE somewhere returns
   IERR 0 and its results with a message that holds this text, the highest
   pressure, its section, branch and time: no pipeline carries such a
   pressure (a run may not start a line at it), so the inflow is most likely
   far beyond what the line was built for. */
#define RELEASE_PRESSURE_ROSE_TEXT "WARNING: THE LINE'S PRESSURE ROSE ABOVE"
#define RELEASE_HIGHEST_LINE_PRESSURE RELEASE_MAX_START_PRESSURE /* Pa */
/* Warnings follow each other in MSG, each whole or not at all: one that does
   not fit is only in the run log, and MSG then ends with this text where it
   has room for it (room is not kept for it at the cost of a warning). */
#define RELEASE_MORE_WARNINGS_TEXT "MORE IN THE RUN LOG."

/* What RELEASE refuses at the start of a run; a caller that checks its input
   before a run takes the limits from here. */
#define RELEASE_MIN_BACK_PRESSURE 100000.0 /* Pa: the pressure outside the leak, at least */
#define RELEASE_MIN_END_TIME 600.0         /* s: a user end time (0 = none), at least */
#define RELEASE_TABLE_END 1.0e7            /* s of simulated time: every boundary table ends here */
#define RELEASE_MAX_SECTIONS 199           /* computational sections in the whole network */
#define RELEASE_LEAK_END_TOLERANCE 0.001 /* m: a leak this far beyond a branch end is at the end */
#define RELEASE_SECTION_LENGTH 25.0f     /* m: a pipe takes one section per this length, and one */
#define RELEASE_MAX_PIPE_SECTIONS 20     /* sections a pipe takes at most */
/* The run starts from RELEASE_OUTLET_START_FACTOR times the outlet pressure,
   which must be at least RELEASE_MIN_START_PRESSURE and below
   RELEASE_MAX_START_PRESSURE. */
#define RELEASE_OUTLET_START_FACTOR 1.1f
#define RELEASE_MIN_START_PRESSURE 200000.0 /* Pa */
#define RELEASE_MAX_START_PRESSURE 1.0e8    /* Pa */
/* What BLACKOIL accepts: gas and oil density (kg/Sm3), gas-oil ratio
   (Sm3/Sm3) and water cut (percent), each within its range (in float). */
#define RELEASE_BLACK_OIL_GAS_DENSITY_MIN 0.6
#define RELEASE_BLACK_OIL_GAS_DENSITY_MAX 1.2
#define RELEASE_BLACK_OIL_OIL_DENSITY_MIN 730.0
#define RELEASE_BLACK_OIL_OIL_DENSITY_MAX 960.0
#define RELEASE_BLACK_OIL_GOR_MIN 0.0
#define RELEASE_BLACK_OIL_GOR_MAX 1800.0
#define RELEASE_BLACK_OIL_WATER_CUT_MIN 0.0
#define RELEASE_BLACK_OIL_WATER_CUT_MAX 90.0

/* Sections of a pipe of that length (m) whose record leaves the count to the
   library (NSECT 0): one per RELEASE_SECTION_LENGTH and one more, at least
   2 and at most RELEASE_MAX_PIPE_SECTIONS (20 from 475 m on). The branch adds an end section to its last pipe and, for a
   branch that starts at an inlet, an inlet section to its first. */
static inline int32_t release_pipe_sections(float length) {
    if (length / (float)RELEASE_MAX_PIPE_SECTIONS >= RELEASE_SECTION_LENGTH)
        return RELEASE_MAX_PIPE_SECTIONS;
    const int32_t n = (int32_t)(length / RELEASE_SECTION_LENGTH) + 1;
    return n > 2 ? n : 2;
}

/* The leak's place among the counted sections of its branch: dx holds the
   lengths of the n sections the leak may lie in, in order from the branch's
   upstream end. Returns the 0-based index of the first section at whose
   downstream end the summed length reaches lekx; a leak within
   RELEASE_LEAK_END_TOLERANCE beyond either end lies in the end section. -1
   when the leak lies outside. *counted receives the summed length. */
static inline int32_t release_leak_section(const float* dx, int32_t n, float lekx, float* counted) {
    int32_t found = -1;
    float sum = 0.0f;
    for (int32_t i = 0; i < n; ++i) {
        sum += dx[i];
        if (found < 0 && !(sum < lekx)) found = i;
    }
    *counted = sum;
    const float tol = (float)RELEASE_LEAK_END_TOLERANCE;
    if (found >= 0 && lekx < -tol) found = -1;
    if (found < 0 && n > 0 && lekx >= -tol && lekx <= sum + tol) found = n - 1;
    return found;
}

/* The curves of the result time series of a network of nbr branches, in the
   order RELEASE writes them: RELEASE_LEAK_CURVES curves of the leak, the
   pressure at the start of branches 1..nbr, the pressure at the outlet
   (branch nbr), the liquid content of branches 1..nbr, the mass flow at the
   outlet (branch nbr), then two curves of branch 1. */
#define RELEASE_LEAK_CURVES 13
static inline int32_t release_curve_count(int32_t nbr) { return 2 * nbr + RELEASE_LEAK_CURVES + 4; }
/* The branch of curve k (1-based) of that order; 0 for the leak's curves
   (their branch is the leak's, which the order does not tell) and for a k
   outside the order. */
static inline int32_t release_curve_branch(int32_t k, int32_t nbr) {
    const int32_t leak = RELEASE_LEAK_CURVES;
    if (k <= leak || k > release_curve_count(nbr)) return 0;
    if (k <= leak + nbr) return k - leak;                   /* pressure at each branch's start */
    if (k == leak + nbr + 1) return nbr;                    /* pressure at the outlet */
    if (k <= leak + 2 * nbr + 1) return k - leak - nbr - 1; /* liquid content */
    if (k == leak + 2 * nbr + 2) return nbr;                /* mass flow at the outlet */
    return 1;
}

/* Progress callback: called by RELEASE once per time step of the run, on the
   calling thread, with the progress so far in percent (0 to about 100,
   never decreasing; the run's end is an estimate that moves). A result of 0
   lets the run go on; any other value stops it at once with IERR 9999. The
   callback must not call the library, RELTIM apart. RELEASE passes a
   pointer to a variable holding the callback; a variable holding 0 means no
   callback. */
typedef int32_t(RELEASE_CALL* ReleaseProgressFn)(int32_t percentage);

/* How far the run in progress in this process has got: *seconds is the
   simulated time since the leak opened (0 before it opens), *held is 1 once
   the run has passed the end it was expected at when the percentage last
   rose, so that the percentage holds still while the run goes on (a caller
   then shows the simulated time), else 0.
   Both are 0 outside a run. Any thread may call it, the progress callback
   included; it is the one call into the library a callback may make. */
RELEASE_API void RELEASE_CALL RELTIM(double* seconds, int32_t* held);

/* Network header: 20 words. */
typedef struct NETHDR {
    int32_t NBR;     /* number of branches, 1..15 */
    int32_t NJUN;    /* number of junctions, 0..3 */
    int32_t NBJ[3];  /* branches listed at junction j */
    int32_t IBJ[15]; /* junction j, place k at index (j-1) + 3*(k-1) */
} NETHDR;

/* One pipe segment: 9 words. */
typedef struct PIPSEG {
    int32_t NSECT; /* sections, 0 = chosen from the length */
    float DIAM;    /* m */
    float ROUGH;   /* m; 0 or 1.0 = default 5e-5 m */
    float HTC;     /* heat-transfer coefficient */
    float TAMB;    /* ambient temperature, deg C */
    float XSTA;    /* m, upstream end */
    float ZSTA;
    float XEND; /* m, downstream end */
    float ZEND;
} PIPSEG;

/* One branch record: 903 words. */
typedef struct BRREC {
    int32_t NPIPE;
    float XBR0;
    float ZBR0;
    PIPSEG PIPE[100];
} BRREC;

/* How the library reads a pipe record, for a caller that checks a network
   before it runs it. */

/* The pipe's length (m): from its upstream to its downstream end. */
static inline float release_pipe_length(const PIPSEG* pipe) {
    const float dx = pipe->XEND - pipe->XSTA;
    const float dz = pipe->ZEND - pipe->ZSTA;
    return sqrtf(dx * dx + dz * dz);
}

/* Sections of pipe `index` (0-based) of a branch of `count` pipes: the
   record's own count (capped far above any network's limit, so that sums
   cannot overflow), or for NSECT 0 the count by its length; the last pipe
   adds the branch's end section and, for a branch that starts at an inlet,
   the first adds the inlet section. */
static inline int32_t release_branch_pipe_sections(const PIPSEG* pipes, int32_t count,
                                                   int32_t index, int from_inlet) {
    const PIPSEG* p = &pipes[index];
    int32_t n = p->NSECT == 0 ? release_pipe_sections(release_pipe_length(p))
                              : (p->NSECT < 10000 ? p->NSECT : 10000);
    if (index == count - 1) n += 1;
    if (from_inlet && index == 0) n += 1;
    return n;
}

/* A roughness of exactly 1 (and, once checked, 0) reads as this default (m). */
#define RELEASE_DEFAULT_ROUGHNESS 5.0e-5f
static inline float release_pipe_roughness(float rough) {
    return rough == 1.0f ? RELEASE_DEFAULT_ROUGHNESS : rough;
}

/* What is wrong with a pipe's roughness (as read) for its diameter, if anything,
   in the order the library refuses it. */
enum {
    RELEASE_ROUGHNESS_OK = 0,
    RELEASE_ROUGHNESS_ABOVE_HALF_DIAMETER = 1,
    RELEASE_ROUGHNESS_NEGATIVE = 2
};
static inline int release_roughness_fault(float diameter, float roughness) {
    if (0.5f * diameter < roughness) return RELEASE_ROUGHNESS_ABOVE_HALF_DIAMETER;
    if (roughness < 0.0f) return RELEASE_ROUGHNESS_NEGATIVE;
    return RELEASE_ROUGHNESS_OK;
}

/* Inlet and outlet data: 47 words, by branch b = 1..15 at index b-1. */
typedef struct BNDDAT {
    float QIN[15];   /* kg/s */
    float TIN[15];   /* deg C */
    float TCLIN[15]; /* s after the leak opens; below 0 = never closes */
    float POUT;      /* Pa */
    float TCLOUT;    /* s after the leak opens; 0 or less = never closes */
} BNDDAT;

/* Leak record: 5 words.
   LEKX lies between 0 and the branch's length as its sections add up; a
   position within 1 mm beyond either end is taken as that end. LEKDIA is
   above 0 and at most the pipe's inner diameter at the leak (a full-bore
   rupture is the largest hole). LEKPB is at least 100000 Pa. */
typedef struct LEKDAT {
    int32_t LEKTYP; /* 0 = plain leak */
    int32_t LEKBR;  /* branch of the leak */
    float LEKX;     /* m along the branch */
    float LEKDIA;   /* m, hole diameter */
    float LEKPB;    /* Pa, pressure outside the leak */
} LEKDAT;

/* Fluid-property table block: 6487 words, filled by BLACKOIL or COMPPVT.
   Table k (1..16) at pressure i, temperature j: TAB[k-1][i-1][j-1]
   (temperature index fastest); points beyond NP and NT are not defined.
   The tables, SI units, temperatures in deg C:
      1 gas density, kg/m3                  2 liquid density, kg/m3
      3 d(gas density)/dp, kg/m3 per Pa     4 d(liquid density)/dp, kg/m3 per Pa
      5 d(gas density)/dT, kg/m3 per C      6 d(liquid density)/dT, kg/m3 per C
      7 free-gas mass fraction, 0..1        8 gas viscosity, Pa s
      9 liquid viscosity, Pa s             10 gas heat capacity, J/(kg K)
     11 liquid heat capacity, J/(kg K)     12 gas specific enthalpy, J/kg
     13 liquid specific enthalpy, J/kg     14 gas thermal conductivity, W/(m K)
     15 liquid thermal conductivity, W/(m K)  16 gas-liquid surface tension, N/m
   The tables describe oil and gas; water enters the run through WCUT.
   Table 7 is read clipped to 0..1. COMPPVT stores above 1 at a gas node
   next to a two-phase one, along the pressure row or the temperature
   column: the line between the two reaches 1 at the dew point, which the
   run then sees within a fraction of a kelvin (along a row) or of 0.4 %
   of the pressure (along a column). Where a column's highest two-phase
   node has only liquid above it, COMPPVT stores that bubble pressure in
   PBUB (1e9 elsewhere): the gas fraction falls to 0 there and stays 0
   above it. Between two columns that both have one (BLACKOIL stores one in
   every column) the bubble pressure is read on the straight line between
   the two, each side of it from its own side's nodes; otherwise the colder
   column's holds up to the next column. COMPPVT
   labels a single-phase node liquid (0) or gas (1) as the fluid there is
   liquid-like or gas-like: where the equation of state has two roots by the
   one of lower Gibbs energy; where it has one, an oil (liquid, or leaving
   liquid, at 15 C and 1 atm) is liquid below its pseudo-critical temperature (Kay's rule) with a
   phase identification parameter (Venkatarathnam and Oellrich) above 1, and
   a gas keeps its dense phase gas. */
typedef struct PVTBLK {
    int32_t NP;     /* pressure points in use, at most 20 */
    int32_t NT;     /* temperature points in use, at most 20 */
    float P[20];    /* Pa, increasing */
    float T[20];    /* deg C, increasing */
    float PBUB[20]; /* bubble-point pressure per temperature, Pa */
    float TAUX[20]; /* second per-temperature array */
    float TAB[16][20][20];
    float WCUT;   /* water cut, % */
    float ROGST;  /* gas density at standard conditions, kg/m3 */
    float ROLST;  /* oil density at standard conditions, kg/m3 */
    float GORST;  /* gas-oil ratio at standard conditions, Sm3/Sm3 */
    float BETAST; /* gas mass fraction at standard conditions */
} PVTBLK;

/* The temperatures the property tables serve reach half a grid step beyond
   either end of their temperatures: the limit beyond end temperature t_end
   whose neighbour in the grid is t_next, deg C. A temperature outside
   [limit(T[0], T[1]), limit(T[NT-1], T[NT-2])] is refused. */
static inline float release_table_temperature_limit(float t_end, float t_next) {
    return 1.5f * t_end - 0.5f * t_next;
}
/* The temperatures the property tables the library builds serve, deg C:
   from the composition tables' coldest limit to the black-oil tables'
   warmest (the limits above taken at the ends of their grids). */
#define RELEASE_TABLES_COLDEST_SERVED (-180.0)
#define RELEASE_TABLES_WARMEST_SERVED 235.0
/* The highest pressure the property tables serve, from their last pressure
   p_last, Pa. */
static inline float release_highest_table_pressure(float p_last) { return 1.5f * p_last; }

/* Gas composition for COMPPVT.
   A pseudo-component (model index 12..29, a plus fraction) has a mole weight
   of at least 86.178 g/mol (hexane). When its mole weight differs from the
   catalogue's by more than 1 g/mol it is characterised from its mole weight
   and liquid density: the mole weight must lie between 86.178 and 700 g/mol
   and the density between 700 and 1100 kg/m3 (a value between 0.7 and 1.1
   is reported as probably given in g/cm3), and the equation of state's
   liquid volume of the fraction is shifted to match that density. */
typedef struct COMPREC {
    int32_t NCOMP;     /* 1..30 */
    int32_t MODEL[30]; /* model index of component k */
    float MOLEPCT[30]; /* mole fraction, %; the fractions sum to 100 +- 0.01 */
    float MOLWT[30];   /* mole weight, g/mol (pseudo-components) */
    float LIQDEN[30];  /* liquid density, kg/m3 (pseudo-components; 0 = none) */
} COMPREC;

/* Run options: 101 words; the library reads words 1 and 2. */
typedef struct ReleaseControl {
    int32_t version; /* word 0, not read */
    float TUSER;     /* word 1: user end time, s after the leak opens; 0 = none */
    int32_t NOTEMP;  /* word 2: 1 = no temperature calculation */
    int32_t unused[98];
} ReleaseControl;

/* Result block: 11 words of the (first) leak, written only when RELEASE
   returns IERR 0; on any error the caller's block keeps what it held. Rates
   and amounts out of the pipe are positive; the "std" words are at standard
   conditions (RELEASE_STD_PRESSURE, RELEASE_STD_TEMPERATURE). */
typedef struct DischargeSummary {
    float time;             /* s after the leak opened: when the release ended (or the run's end) */
    float peak_total_mass;  /* kg/s, peak mass rate through the leak */
    float peak_oil_out;     /* m3/s, peak oil rate */
    float peak_gas_out;     /* m3/s, peak gas rate */
    float peak_oil_out_std; /* Sm3/s, peak oil rate */
    float peak_gas_out_std; /* Sm3/s, peak gas rate */
    float total_mass;       /* kg released */
    float oil_out;          /* m3 of oil released */
    float gas_out;          /* m3 of gas released */
    float oil_out_std;      /* Sm3 of oil released */
    float gas_out_std;      /* Sm3 of gas released */
} DischargeSummary;

/* The whole release input record. The first 20104 words are the library's
   input; the rest is the front end's bookkeeping. */
typedef struct ReleaseInput {
    NETHDR net;
    BRREC br[15];
    BNDDAT bnd;
    LEKDAT lek;
    PVTBLK pvt;
    int32_t branch_start_obj[15];
    int32_t branch_name_obj[15];
    int32_t junction_obj[3];
    int32_t segment_obj[15][100];
    int32_t inlet_obj[15];
    int32_t outlet_obj;
    int32_t leak_obj;
    float leak_depth;
    float leak_amb_temp;
    /* On a 64-bit build the owned result path takes a pointer, not a word. */
    char* result_path;
    int32_t result_path_capacity;
} ReleaseInput;

/* One discharge run of the network: the leak opens RELEASE_LEAK_OPENS s into
   the simulation (after a warm-up), and the run goes on until the release has
   ended or until the user's end time. Writes the result time series and the
   run log beside path (see Texts above) and, on success, the summary. */
/* RELEASE: one discharge run. IERR comes back 0 (success, MSG blank or a
   warning), 1 (refused input or a failed run, MSG says why) or 9999 (stopped
   by the callback, "SIMULATION ABORTED!"). A run log that could not be
   written whole is a failed run: IERR 1 and MSG "LOG FILE COULD NOT BE
   WRITTEN COMPLETELY: " and the log's path, followed by the warning the run
   had, if any. On IERR 0 every summary word is a
   finite number at or above 0 and every number in the result file is finite:
   a value that is not a number ends the run with IERR 1 and a message naming
   where it first appeared. Property tables with a density, viscosity, heat
   capacity or conductivity at or below 0 are refused. A leak that has carried
   no flow 600 s after it opened, because the back pressure outside it was
   never below the pipeline pressure at the leak, ends the run there with
   IERR 0 and the warning "THE LEAK DOES NOT FLOW: ..."; otherwise a run ends
   at the user's end time or, at the latest, 30 days after the leak opened. */
RELEASE_API void RELEASE_CALL RELEASE(NETHDR* nethdr, BRREC* brdata, BNDDAT* bnddat, LEKDAT* lekdat,
                                      PVTBLK* pvtblk, ReleaseControl* ctl,
                                      DischargeSummary* summary, const char* path, int32_t path_len,
                                      ReleaseProgressFn* callback, int32_t* IERR, char* MSG,
                                      int32_t msg_len);

/* Fills the property block of a black oil: gas density (kg/Sm3), oil density
   (kg/Sm3), gas-oil ratio (Sm3/Sm3) and water cut (percent). */
/* BLACKOIL and COMPPVT fill the property tables of a fluid, or refuse it
   with IERR 1 and a message naming the parameter or component and its value.
   They never answer 0 with a table value that is not a finite number, or
   with a density, viscosity, heat capacity or conductivity at or below 0 (the
   message then names the quantity, its value and its grid point). A refusal
   leaves the block as it was; on success IERR and MSG are left untouched. */
RELEASE_API void RELEASE_CALL BLACKOIL(float* gas_density, float* oil_density, float* gor,
                                       float* water_cut, PVTBLK* pvtblk, int32_t* IERR, char* MSG,
                                       int32_t msg_len);

/* Fills the property block of a gas composition, including its standard
   densities, gas-oil ratio and gas mass fraction. */
RELEASE_API void RELEASE_CALL COMPPVT(COMPREC* comp, PVTBLK* pvtblk, int32_t* IERR, char* MSG,
                                      int32_t msg_len);

#ifdef __cplusplus
}  // extern "C"

// Word offsets of the input record, checked against the layout above.
#define RELEASE_WORD(T, f) (offsetof(T, f) / 4)
static_assert(sizeof(NETHDR) == 20 * 4);
static_assert(RELEASE_WORD(NETHDR, NJUN) == 1 && RELEASE_WORD(NETHDR, NBJ) == 2 &&
              RELEASE_WORD(NETHDR, IBJ) == 5);
static_assert(sizeof(PIPSEG) == 9 * 4);
static_assert(RELEASE_WORD(PIPSEG, DIAM) == 1 && RELEASE_WORD(PIPSEG, ROUGH) == 2 &&
              RELEASE_WORD(PIPSEG, HTC) == 3 && RELEASE_WORD(PIPSEG, TAMB) == 4 &&
              RELEASE_WORD(PIPSEG, XSTA) == 5 && RELEASE_WORD(PIPSEG, ZSTA) == 6 &&
              RELEASE_WORD(PIPSEG, XEND) == 7 && RELEASE_WORD(PIPSEG, ZEND) == 8);
static_assert(sizeof(BRREC) == 903 * 4);
static_assert(RELEASE_WORD(BRREC, XBR0) == 1 && RELEASE_WORD(BRREC, ZBR0) == 2 &&
              RELEASE_WORD(BRREC, PIPE) == 3);
static_assert(sizeof(BNDDAT) == 47 * 4);
static_assert(RELEASE_WORD(BNDDAT, TIN) == 15 && RELEASE_WORD(BNDDAT, TCLIN) == 30 &&
              RELEASE_WORD(BNDDAT, POUT) == 45 && RELEASE_WORD(BNDDAT, TCLOUT) == 46);
static_assert(sizeof(LEKDAT) == 5 * 4);
static_assert(RELEASE_WORD(LEKDAT, LEKBR) == 1 && RELEASE_WORD(LEKDAT, LEKX) == 2 &&
              RELEASE_WORD(LEKDAT, LEKDIA) == 3 && RELEASE_WORD(LEKDAT, LEKPB) == 4);
static_assert(sizeof(PVTBLK) == 6487 * 4);
static_assert(RELEASE_WORD(PVTBLK, P) == 2 && RELEASE_WORD(PVTBLK, T) == 22 &&
              RELEASE_WORD(PVTBLK, PBUB) == 42 && RELEASE_WORD(PVTBLK, TAUX) == 62 &&
              RELEASE_WORD(PVTBLK, TAB) == 82 && RELEASE_WORD(PVTBLK, WCUT) == 6482 &&
              RELEASE_WORD(PVTBLK, ROGST) == 6483 && RELEASE_WORD(PVTBLK, ROLST) == 6484 &&
              RELEASE_WORD(PVTBLK, GORST) == 6485 && RELEASE_WORD(PVTBLK, BETAST) == 6486);
static_assert(offsetof(PVTBLK, TAB[1][2][3]) / 4 == 82 + 400 * 1 + 20 * 2 + 3);
static_assert(sizeof(ReleaseControl) == 101 * 4);
static_assert(RELEASE_WORD(ReleaseControl, TUSER) == 1 &&
              RELEASE_WORD(ReleaseControl, NOTEMP) == 2);
static_assert(sizeof(DischargeSummary) == 11 * 4);
static_assert(RELEASE_WORD(DischargeSummary, total_mass) == 6 &&
              RELEASE_WORD(DischargeSummary, gas_out_std) == 10);
static_assert(sizeof(COMPREC) == 121 * 4);
static_assert(RELEASE_WORD(COMPREC, MODEL) == 1 && RELEASE_WORD(COMPREC, MOLEPCT) == 31 &&
              RELEASE_WORD(COMPREC, MOLWT) == 61 && RELEASE_WORD(COMPREC, LIQDEN) == 91);
static_assert(RELEASE_WORD(ReleaseInput, br) == 20 && RELEASE_WORD(ReleaseInput, bnd) == 13565 &&
              RELEASE_WORD(ReleaseInput, lek) == 13612 && RELEASE_WORD(ReleaseInput, pvt) == 13617);
static_assert(RELEASE_WORD(ReleaseInput, bnd.TIN) == 13580 &&
              RELEASE_WORD(ReleaseInput, bnd.TCLIN) == 13595 &&
              RELEASE_WORD(ReleaseInput, bnd.POUT) == 13610 &&
              RELEASE_WORD(ReleaseInput, bnd.TCLOUT) == 13611);
static_assert(RELEASE_WORD(ReleaseInput, pvt.ROGST) == 20100 &&
              RELEASE_WORD(ReleaseInput, pvt.BETAST) == 20103);
static_assert(RELEASE_WORD(ReleaseInput, branch_start_obj) == 20104 &&
              RELEASE_WORD(ReleaseInput, branch_name_obj) == 20119 &&
              RELEASE_WORD(ReleaseInput, junction_obj) == 20134 &&
              RELEASE_WORD(ReleaseInput, segment_obj) == 20137 &&
              RELEASE_WORD(ReleaseInput, inlet_obj) == 21637 &&
              RELEASE_WORD(ReleaseInput, outlet_obj) == 21652 &&
              RELEASE_WORD(ReleaseInput, leak_obj) == 21653 &&
              RELEASE_WORD(ReleaseInput, leak_depth) == 21654 &&
              RELEASE_WORD(ReleaseInput, leak_amb_temp) == 21655);
static_assert(sizeof(ReleaseProgressFn*) == sizeof(void*));
#undef RELEASE_WORD
#endif

#endif
