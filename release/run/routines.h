// The routines of the library that are called across its folders.
//
// Conventions: IERR is set to 1 (with MSG, LMSG characters, blank-padded; RELEASE passes MSGLEN) on
// a refusal and left alone otherwise; callers test it and return at once.
// Routines whose failure used to end the process throw rel::RunFailure.
// Everything else a routine reads or writes lives in the state areas.
#pragma once

#include <cstdint>
#include <string>

#include "release/release.h"

namespace rel {

// ------------------------------------------------ entry services (run/)
void SETCBK(ReleaseProgressFn* holder);
int32_t CALCBK(int32_t& percentage);
int32_t NOCBK(int32_t percentage);
// What RELTIM answers from now on: simulated seconds since the leak opened
// and whether the shown percentage has stopped following the run.
void SETPRG(double since_leak, bool held);
// Fixed-width number texts for messages.
std::string I2CH2(int32_t n);  // 2 characters, "**" when it does not fit
std::string I2CH10(float x);   // 10 characters, whole number with its point
// x in six significant digits ("0.254", "1e+20"), then its unit when one is
// given: numbers in messages that a user reads as values, not as a layout.
std::string value_text(double x, const char* unit);

// ------------------------------------------------ initial state and time loop (run/)
void UNPACK(const PVTBLK& blk);
void PVTRF2(int32_t& IERR, char* MSG, int32_t LMSG);
void INITIAL(const BNDDAT& bnd, const PVTBLK& blk, int32_t& IERR, char* MSG, int32_t LMSG);
void PVTRF1(int32_t& IERR, char* MSG, int32_t LMSG);
void PVTLIM(const PVTBLK& blk);
void INISTA(int32_t& IERR, char* MSG, int32_t LMSG);
void ENDTCHK(float TUSER, int32_t& IERR, char* MSG, int32_t LMSG);
void TLOOP(int32_t& IERR, char* MSG, int32_t LMSG);

// ------------------------------------------------ device list (run/, set-up)
void CHOSET();

// ------------------------------------------------ output (output/)
void VARCAT();
void PLTDEF(int32_t& IERR, char* MSG, int32_t LMSG);
void PLTLAB(int32_t& IERR, char* MSG, int32_t LMSG);
void PLTTRD(int32_t& IERR, char* MSG, int32_t LMSG);
void PRTRES();

// ------------------------------------------------ tables and properties (pvt/, solver/)
// Interval search: with mode 2 the largest k in 1..n-1 with grid(k) <= x
// (1 below the grid). grid points at grid(1).
int32_t TBLOC(float x, const float* grid, int32_t n, int32_t mode);
// TBLOC's answer on a grid that never falls (grid_ascending), found by
// walking from interval `start` (the answer for a nearby x) instead of
// scanning the whole grid.
int32_t tbloc_from(float x, const float* grid, int32_t n, int32_t start);
// True when the n >= 2 grid points never fall (and none is NaN).
bool grid_ascending(const float* grid, int32_t n);

// Outputs 5..26 of the table lookup, in their order.
struct PvtOut {
    float ROG, DRGP, ROL, DRLP, DRSP, RS, VISG, VISL, CPG, CPL, HL, HG, DHLP, DHGP, DRLT, DRGT,
        DRST, CONG, CONL, SIG, X1, X2;
};
void PVTLUP(int32_t IT, int32_t IP, float P, float T, PvtOut& out, int32_t CHECK, int32_t& BELOW,
            int32_t MODE, int32_t& IERR, char* MSG, int32_t LMSG);
void PRECHK(int32_t& IERR, char* MSG, int32_t LMSG);
void SECPRP(int32_t& IERR, char* MSG, int32_t LMSG);
void PRPUPD(int32_t& IERR, char* MSG, int32_t LMSG);
// The equilibrium gas fraction rs of section s at pressure p and the
// section's temperature (its temperature interval as the last property update
// found it); false for a section that update does not serve.
bool section_gas_fraction(int s, float p, float& rs);
// Linear interpolation weights in column k of a time table (leading dimension ld).
void TBINT(const float* table, int32_t ld, int32_t n, int32_t k, float time, int32_t& index,
           float& weight, float& fraction);
// Linear interpolation in a table; x outside the table throws RunFailure with
// the caller's name text and the range.
void TBINTR(const float* xt, const float* yt, int32_t n, float x, float& y, int32_t unit,
            const char* name, int32_t lname);
float CTRVAL(int32_t number);
float CPUTIM();

// ------------------------------------------------ implicit step (solver/)
void TIMPL(int32_t& ICUT, int32_t& IERR, char* MSG, int32_t LMSG);
void CLOSUR();
void LEKCOF(int32_t& IERR, char* MSG, int32_t LMSG);
// Band solvers over BANDWK: NBAND is 7, 5 or 3 columns centred on column 4;
// NUNK the unknowns per junction group (3, 2 or 1). The right-hand side is
// replaced by the solution.
void BANDLU(int32_t NEQ, int32_t NBAND, int32_t& IERR, char* MSG, int32_t LMSG);
void NETSLV(int32_t NEQ, int32_t NBAND, int32_t NUNK, int32_t& IERR, char* MSG, int32_t LMSG);
int32_t IBRJF(int32_t JUN, int32_t IBR);
void TADVDT(float DPRGRO, float DPRMAX, double& HT, float HTMAX, float HTMIN, float HTSAF,
            double& TIME, int32_t ICUT, double& HTOLD);

// ------------------------------------------------ devices (solver/)
void CHOFLO(int32_t& IERR, char* MSG, int32_t LMSG);
void CHOARE(int32_t& IERR, char* MSG, int32_t LMSG);
void CHOKCO();
// HT is in/out: a large change of the outputs shortens the step.
void CTRUPD(double TIME, double& HT, float HTMIN, float HTSAF, int32_t& IFLAG);
void SRCTRM(int32_t& IERR, char* MSG, int32_t LMSG);
void LEKFLO(int32_t& IERR, char* MSG, int32_t LMSG);
void BOUUPD(int32_t& IERR, char* MSG, int32_t LMSG);
// Gas volume fraction of a fluid in phase equilibrium with gas mass fraction
// x and phase densities ROG, ROL.
float equilibrium_void(double x, double ROG, double ROL);

// ------------------------------------------------ mass and energy step (solver/)
void MASS(int32_t& IERR, char* MSG, int32_t LMSG);
void MTRANS();
void MFLUX(int32_t IFLAG, int32_t& IERR, char* MSG, int32_t LMSG);
void VOLFRC();

}  // namespace rel
