// The process-wide state areas of a discharge run.
//
// Every routine of the library reads and writes these areas directly; INICOM
// gives them their initial values at the start of every RELEASE call. One
// struct per area, one global instance each, named as the model names them.
//
// Conventions:
//  - per-section and per-boundary arrays are indexed 0..MXB; the boundary with
//    index i is the upstream face of section i, entry 0 lies before the first;
//  - per-branch arrays 1..MXBR, per-pipe arrays 1..MXPIPE, per-junction 1..MXJUN;
//  - flags are int32_t: true is -1, false 0; a test looks at the lowest bit;
//  - state numbers are float (REAL*4), the band systems double.
//
// Each area keeps the fields of one topic together under a short heading.
#pragma once

#include <cstdint>

#include "release/release.h"
#include "run/farray.h"

namespace rel {

constexpr int MXBR = 15;     // branches
constexpr int MXJUN = 3;     // junctions
constexpr int MXBJ = 5;      // branches per junction
constexpr int MXPB = 100;    // pipes per branch
constexpr int MXPIPE = 200;  // pipes in the network
constexpr int MXB = 200;     // section boundaries (and array extent of per-section arrays)
constexpr int MXVAR = 200;   // result variables
constexpr int MXNAM = 260;   // short names in VARNAM
constexpr int MXCURV = 50;   // plot curves
constexpr int MXSRC = 10;    // inlet sources
constexpr int MXSRCT = 10;   // time points per source
constexpr int MXCHK = 10;    // chokes
constexpr int MXCHKT = 10;   // time points per choke table
constexpr int MXLEK = 5;     // leaks
constexpr int MXVSRC = 5;    // valve sources
// Sections in the network, the limit the library's callers see.
constexpr int MXSEC = RELEASE_MAX_SECTIONS;
constexpr int MXDEV = MXCHK + MXVSRC + MXLEK;  // rows of the flow-restriction table
constexpr int MXCTR = 15;                      // controllers
constexpr int MXCTRT = 10;                     // set-point table points
constexpr int MXNP = 20;                       // pressure grid points
constexpr int MXNT = 20;                       // temperature grid points
constexpr int MXEQ = 600;                      // rows of the band systems

constexpr int32_t TRUE_ = -1;
constexpr int32_t FALSE_ = 0;
inline bool is_true(int32_t flag) { return (flag & 1) != 0; }

using SecF = Arr<float, MXB, 0>;    // per section / per boundary, REAL*4
using SecI = Arr<int32_t, MXB, 0>;  // per section / per boundary, INTEGER*4

// ---------------------------------------------------------------- RUNCTL
struct Runctl {
    double TIME;                               // simulation clock, s from the start of the warm-up
    double HT;                                 // current time step, s
    double HTOLD;                              // previous step, s
    float HTMIN, HTMAX;                        // step limits of the current period, s
    int32_t IO;                                // number of run periods
    Arr<float, 4> TPBEG, TPEND, HMINP, HMAXP;  // run schedule per period
    int32_t NINTGR;                            // step count
    double TSTOP;                              // time at which the run stopped, s
    float TUSER;                               // user end time, s after the leak opens (0 = none)
    float TCLMAX;                              // latest inlet closing time point, s
    float TESTIM, TEST0;                       // estimated end of the run
    float DPRRED;                              // 0.01: step-change limit of the implicit step
    float DPRGRO;                              // 0.0005: step-growth tolerance
    float HTSAF;                               // 0.75: step factor
    float CPUCLO, CPUMOM, CPUSLV;              // processor-time accumulators, s
    int32_t IPRINT;                            // print level of the results listing
    int32_t ITEMP;                             // temperature-calculation switch
    // --- setup ---
    // --- pvt ---
    // The first time a section's temperature was held at the property
    // tables' limits: simulation time (s), section (0: never), the
    // temperature it had and the limit it was held at (deg C).
    double TLIMIT;
    int32_t ILIMIT;
    float TMLIM0, TMLIM;
    // The warm-up's last stretch before the leak opens: the liquid in the
    // line (m3, least and most), the outlet flow (kg/s, least and most of its
    // means over short intervals) and the inflow (kg/s) at its end; IWUCHK is
    // 1 once measured, 2 when the line had not settled.
    double WULMIN, WULMAX, WUQMIN, WUQMAX, WUQIN;
    int32_t IWUCHK;
    // The highest pressure any section reached over the run (Pa), that
    // section (0: none yet), its branch and the simulation time (s).
    float PTMAX;
    int32_t IPTMAX, IBPMAX;
    double TPTMAX;
    // --- output ---
    float ROWPH3;  // rows written in the last plot phase (at most 199)
    // --- step ---
    // --- devices ---
    // --- mass ---
    int64_t MCHECK;  // released mass at the last release-end check, whole kg
    // --- deck ---
    char TITLE[80];  // title line of an input deck
    int32_t IHTDK;   // heat-transfer mode given by an input deck
};

// ---------------------------------------------------------------- NETDSC
struct Netdsc {
    int32_t NBR, NJUN;
    Arr<int32_t, MXJUN> NBJ;
    Arr2<int32_t, MXJUN, MXBJ> IBJ;  // IBJ(j, k): junction j, place k
    Arr<int32_t, MXBR> NPIPBR;       // pipes per branch
    Arr<int32_t, MXBR> ITYPBR;       // branch type
    Arr<int32_t, MXBR> NSECBR;       // sections per branch
    Arr<int32_t, MXBR> ISECBR;       // first section of a branch
    Arr<int32_t, MXBR> INLFLG;       // 1 = branch got an inlet source
    Arr2<float, 3, MXBR> XYZBR;      // upstream point of each branch
    SecI KSEC;                       // section kind
    SecI JBND;                       // junction marker
    SecI IBRSEC;                     // branch of each section
    SecI IEQSEC;                     // first unknown of each section
    // --- setup ---
    // Junction tables, j = junction, k = member place (1..NBJ(j)-1 flow in, NBJ(j) leaves).
    Arr2<int32_t, MXJUN, MXBJ> JSFRST, JSLAST;  // first and last global section of member k
    // For the left member in place k: the first of its last three pressure-system
    // unknowns (JGRP3), of its last two liquid-system unknowns (JGRP2) and its last
    // gas/energy-system unknown (JGRP1); the band solver's group rows.
    Arr2<int32_t, MXJUN, MXBJ> JGRP3, JGRP2, JGRP1;
    Arr<int32_t, MXJUN> JOUT3, JOUT2, JOUT1;  // first unknown of junction j's leaving branch
    Arr<int32_t, MXJUN> IBROUT;               // the branch that leaves junction j
    // Junction of each unknown (0 = ordinary row): pressure, liquid, gas/energy systems.
    Arr<int32_t, MXEQ> JROW3;
    Arr<int32_t, 2 * MXB> JROW2;
    Arr<int32_t, MXB> JROW1;
    // Equation numbers per section: section unknown (its pressure), running count of
    // numbered sections, boundary unknown (gas velocity at its upstream face); 0 = none.
    SecI ISEQ, ISCNT, IBEQ;
    SecI IPLBR;  // place of the section in its branch
    // Boundary code per branch end: IBCODE(1, b) upstream end (2 = inlet),
    // IBCODE(2, b) downstream end (1 = pressure boundary, the outlet).
    Arr2<int32_t, 2, MXBR> IBCODE;
    int32_t IBNDMK;  // boundary set-up mark (1)
    int32_t IOUTMK;  // 1 once the outlet branch has been set up
    // Outlet pressure table (pressure boundary 1): points, time s, pressure Pa.
    int32_t NPOUT;
    Arr<float, 10> TPOUT, PPOUT;
    // --- pvt ---
    // --- output ---
    // --- step ---
    // --- devices ---
    // Boundary options per branch end (1 left, 2 right) beside IBCODE and the
    // outlet table; no input enables them, so they stay 0.
    Arr2<int32_t, 2, MXBR> IVDFLG;         // 1 = the end's gas fraction comes from BOUCON
    Arr2<int32_t, 2, MXBR> IVDMOD;         // void mode: 0 time table, 1 controllers
    Arr2<int32_t, 2, MXBR> NVDT;           // void-table points
    Arr3<float, 10, 2, MXBR> TVDT, AVDT;   // void table: time s, gas volume fraction
    Arr2<int32_t, 2, MXBR> NVDCTR;         // controllers listed for the void mode 1
    Arr3<int32_t, 5, 2, MXBR> IVDCTR;      // their numbers
    Arr2<int32_t, 2, MXBR> IVDCHK;         // controller-check switch (0 = test the outputs)
    Arr2<float, 2, MXBR> ALVOPN, ALVCLS;   // gas volume fraction when open / closed
    Arr<int32_t, MXBR> NPLEFT;             // left-end pressure table points
    Arr2<float, 10, MXBR> TPLEFT, PPLEFT;  // left-end pressure table: time s, Pa
    // --- mass ---
    // --- deck ---
};

// ---------------------------------------------------------------- PIPGEO
struct Pipgeo {
    int32_t NPIPE, NPIPE2;                         // running pipe totals
    int32_t NSEC;                                  // sections in the network
    int32_t NSECM1;                                // sections less one
    int32_t NEQ, NEQL, NEQG, NEQP;                 // unknowns of the systems
    Arr<float, MXPIPE> DIAM, DCLO, ROUGH;          // per pipe, m
    Arr2<float, 3, MXPIPE> XYZEND;                 // downstream end of each pipe
    Arr<float, MXPIPE> DZPIP, PLEN, SLOPE;         // elevation change, length, downward slope
    Arr<int32_t, MXPIPE> NSECPP;                   // sections per pipe
    SecF DX, SECAREA, ZSEC, DSEC, SINANG, COSANG;  // per section
    SecI IPIPE;                                    // pipe of each section
    SecF DBND;                                     // per boundary, m
    SecF CFLFAC, EXPFAC;                           // per boundary area ratios
    SecI IDPCHK, ICFLON;
    SecF TAMBS, QWV, HTCS;  // per section heat-transfer data
    // --- setup ---
    Arr<float, MXPIPE> PAREA;  // flow area of each pipe, m2
    SecF
        AREA;  // per boundary: flow area at the upstream face of section i (smaller pipe at a join), m2
    SecI IPLPIP;       // place of the section in its pipe (1..k)
    SecF XFACE, XMID;  // distance along the branch of the downstream face and midpoint, m
    // Wall data of heat-transfer mode 0 (kept for a wall-temperature model; no step reads them).
    SecF HTC0;                                     // 1000.0 on the heat-exchanging sections
    SecI NWSEC;                                    // wall-layer count of the section's pipe
    Arr<int32_t, MXPIPE> NLAYR, NWALL;             // per pipe: wall layers (1 or 2), walls (1)
    Arr2<float, 2, MXPIPE> WTHK, WRHO, WCP, WCON;  // per layer: m, kg/m3, J/(kg K), W/(m K)
    Arr2<float, 3, MXPIPE> WCIRC;  // inner wall, outside of layer 1, outside of layer 2, m
    int32_t NWALLT;                // running wall count
    // --- pvt ---
    // --- output ---
    // --- step ---
    // --- devices ---
    // --- mass ---
    // --- deck ---
};

// ---------------------------------------------------------------- SECVAR
struct Secvar {
    // velocities and directions at boundaries
    SecF UG, UL, UD, DUG, DUL, UDO, USG, USL, USD;
    SecI JUG, JUL, JUD, JUT, ID;
    // pressures, temperatures
    SecF PT, DPT, DPTO, DPZ, TM, TW;
    // fractions and masses per section
    SecF AL, BE, GA, HOL, MG, ML, MD, MLT, DMG, DML, VOL;
    // fluid properties per section
    SecF ROG, ROL, RS, DRLP, DRGP, VISL, VISG, HG, HL, SIG;
    // mass flows and fluxes at boundaries
    SecF WG, WL, WD, QL, QG, QD;
    // closure coefficients
    SecF DS, PSI, PSIO, SLAI, SLAG, SLAL, SLAD;
    float DPRMAX;
    int32_t IDPRMX;
    float DTCFL;
    int32_t IDTCFL;
    float MAXERR;
    Arr<float, 2> RETRAN;  // transition Reynolds numbers
    Arr<float, 4> FRMULT;  // friction multipliers
    SecF ENTIN;            // per-section entrainment input
    // --- setup ---
    // --- pvt ---
    // fluid properties per section written by the property update
    SecF DRSP;          // d(gas mass fraction RS)/dP, 1/Pa
    SecF DRST;          // d(RS)/dT, 1/K
    SecF DHGP, DHLP;    // d(gas, liquid enthalpy)/dP, J/(kg Pa)
    SecF DRLT;          // d(liquid density)/dT, kg/(m3 K)
    SecF CPG, CPL;      // heat capacities, J/(kg K)
    SecF DRGT;          // d(gas density)/dT, kg/(m3 K)
    SecF CONG, CONL;    // gas and liquid thermal conductivity, W/(m K)
    SecF PVX1, PVX2;    // the two optional table properties (always 0)
    SecF MTOT;          // total mass MG + MLT, kg/m3
    SecF DRSDT;         // (RS - RS of the previous update)/HT, 1/s
    SecF DRSPB;         // RS slope between neighbouring sections, 1/Pa
    SecI ITSEC, IPSEC;  // temperature and pressure interval of each section
    // per branch: gas mass fraction across the branch's downstream junction
    Arr<float, MXBR> RSJIN;  // RS of the first section behind the junction (flow into it)
    Arr<float, MXBR> RSJBK;  // RS of the branch's own last section before the junction (back flow)
    // --- output ---
    // Written by the mass step; declared here until its fields are merged (keep one copy).
    SecF GT;      // total mass flow at each boundary, kg/s
    SecF VOLMX2;  // largest |volume error| of each section since the last result row
    // --- step ---
    SecF UGO, ULO;              // velocities before the last accepted solve
    SecI IDO;                   // regime indicator of the previous step
    SecF UO;                    // slip velocity, m/s
    SecF GRVT1, GRVT2, GRVT3;   // gravity/level forces: gas, droplets, bulk liquid (Pa/m)
    SecF CONVG, CONVL, CONVD;   // area-change convective coefficients, kg/(m3 s)
    Arr2<float, 6, MXB> CONVJ;  // junction share of the convective terms
    SecF SLAIST, SLAGST, SLALST, UGST, HWAVE, ULCLO;  // stratified/annular closure
    SecI ISTRAT;                                      // 0 stratified, 1 gas only, 2 annular
    SecF SLALG, SLAGL, SLAL0, SLAG0;         // extra closure terms of the intermittent regimes
    SecF UTB, SGNDRF, UMIXO, UFILM, ALFILM;  // intermittent-regime quantities and memory
    SecI IREG4;                              // 1 = the boundary is in regime 4
    float LEVSAV;                            // wave amplitude of the last boundary closed, m
    // --- devices ---
    // --- mass ---
    // interphase transfer work terms, per section
    SecF PSIF, PSIB, PSIA;
    // entrainment and deposition, per boundary (acting on the section upstream)
    SecF ENTK, ENT0, DEPK, DEP0, PSIE, PSID, ENTAUX1, ENTAUX2, DEPAUX;
    // mass and volume flows at boundaries
    SecF GG, GL, GD, GLT, QLT, QT, DGTDT;
    // energy step, per section
    SecF EG, EL, TMOLD, DTM, TMWALL, QM, Q2;
    // running maxima of |VOL| per section (the first with its time)
    // (the second is VOLMX2, cleared at every result row)
    SecF VOLMX1, VOLMX3, TVOLMX;
    // What rounding the new gas, bulk-liquid and droplet masses to single
    // precision left out, kg/m3, per section; the next update adds it back,
    // so the rounding does not drift the line balance over a long run.
    SecF MGREM, MLREM, MDREM;
    // volume accumulators per boundary (two sets each), m3
    Arr2<double, MXB, 2> QGACC, QLACC, QTACC;  // (boundary, set)
    // per-source accumulators (two sets each): volume m3, gas, liquid, total kg
    Arr2<double, MXSRC, 2> SRVACC, SRGACC, SRLACC, SRTACC;
    // per-branch inlet and outlet masses (two sets): gas, liquid, total kg
    Arr3<double, MXBR, 2, 3> BRMIN, BRMOUT;  // (branch, set, phase 1 gas 2 liquid 3 total)
    // run balance of mass (kg) and energy (J)
    double RMLGT, RMTOT0, RMTOT, RMOUT, RMPIPE, RMNET;
    // (ENPIPE is the energy in the pipes; errno.h takes the name EPIPE)
    double RELGT, RETOT0, RETOT, ENPIPE, CPTOT, QWACC, ENET, ETOT;
    SecF RGWT;  // regime weight of the closures, per boundary
    // Weight of the intermittent closures per boundary, against the stratified
    // or annular ones (0): the regime selection leaves its own, the closures
    // the one they used.
    SecF WINT;
    // --- deck ---
};

// ---------------------------------------------------------------- EQUIPM
struct Equipm {
    // inlet sources
    int32_t NSOUR;
    Arr<int32_t, MXSRC> ISOUR;                               // cell
    Arr<int32_t, MXSRC> NTSOUR;                              // time points
    Arr2<float, MXSRCT, MXSRC> TSOUR, GSOUR, LSOUR, TMSOUR;  // time, gas, liquid, temperature
    Arr<float, MXSRC> WGSOUR, WLSOUR, W3SOUR;                // current values
    // chokes
    int32_t NCHOKE;  // rows of the flow-restriction table
    // leaks
    int32_t NLEAK;
    int32_t NVSRC;            // valve sources
    Arr<int32_t, 10> IVSFLG;  // per valve source flag (initially true)
    // --- setup ---
    // Flow-restriction table, rows 1..NCHOKE: the NCHKL chokes first (row c = choke c),
    // then the NVSRC valve sources, then the NLEAK leaks (leak k is row NCHKL+NVSRC+k).
    // CHOSET fills section, area, factor and flag of every row; the other columns of a
    // choke row are written by CHKCHO, those of a leak row by CHKLEK.
    Arr<int32_t, MXDEV> ICHSEC;  // section (cell) the device draws from
    Arr<float, MXDEV> CHOAR;     // full flow area 0.7854 d^2, m2
    Arr<float, MXDEV> CHOCD;     // factor: choke contraction 1.0, leak discharge 0.84
    Arr<int32_t, MXDEV>
        CHOFLG;  // flag word; bit 0: area from a table or controller, no critical limit
    Arr<int32_t, MXDEV> ICHFST;  // first-time flag (true until the first area evaluation)
    Arr<int32_t, MXDEV> ICHCOR;  // correlation flag (true: the wellhead correlation serves the row)
    Arr<int32_t, MXDEV> ICHKND;  // correlation kind 1..4 (leak kinds 2..5)
    Arr2<float, 3, MXDEV> CHOREF;  // reference values of the correlation: 0, gas and liquid density
    Arr<float, MXDEV> CHOKL;  // loss coefficient (set-up value; the choke model keeps it current)
    // Choke list (the outlet choke), rows 1..NCHKL.
    int32_t NCHKL;
    Arr<int32_t, MXCHK> ICHCTR;  // link word: controller number, -1 = the opening table applies
    Arr<int32_t, MXCHK> ICHFLG;  // flag word copied into CHOFLG (-1)
    Arr<float, MXCHK> CHCON;     // contraction factor (1.0)
    Arr<float, MXCHK> CHDIA;     // diameter, m
    Arr<float, MXCHK> CHAREA;    // unreduced area 3.141593 D^2/4, m2
    Arr<int32_t, MXCHK> NCHOT;   // opening table: points
    Arr2<float, MXCHKT, MXCHK> TCHOT, OCHOT;  // opening table: time s, relative opening 0..1
    Arr2<float, 2, MXCHK> CHBIG;  // two initial limit words of the choke model, 1.0E6 each
    // Leak list, rows 1..NLEAK.
    Arr<int32_t, MXLEK> ILKSEC;               // section
    Arr<float, MXLEK> DLEAK;                  // hole diameter, m
    Arr<float, MXLEK> CDLEAK;                 // discharge factor (0.84)
    Arr<int32_t, MXLEK> ILKCTR;               // controller whose output is the opening (99)
    Arr<int32_t, MXLEK> ILKFLG;               // per-leak flag word, copied into CHOFLG
    Arr<int32_t, MXLEK> NLKPB;                // back-pressure table: points
    Arr2<float, MXSRCT, MXLEK> TLKPB, PLKPB;  // back-pressure table: time s, pressure Pa
    // Valve sources, rows 1..NVSRC (only the input-deck reader creates them).
    Arr<int32_t, MXVSRC> IVSSEC;       // section
    Arr<float, MXVSRC> DVSRC, CDVSRC;  // diameter m, discharge factor
    // Check valves, rows 1..NCHKV: boundary, permitted direction (+1 forward), state (0 open, 1 closed).
    int32_t NCHKV;
    Arr<int32_t, MXBR> IVBND, IVDIR, IVSTAT;
    // Reverse maps, per section: index of the inlet source, choke, leak, check valve and
    // valve source that sits in it (0 = none; the higher index where two share a section).
    SecI ISRMAP, ICHMAP, ILKMAP, ICVMAP, IVSMAP;
    // --- pvt ---
    // --- output ---
    // --- step ---
    // second status word of a branch-end choke: bit 0 exempts it from the
    // zero velocity of a shut choke at the end of the implicit step
    Arr<int32_t, MXDEV> ICHXMP;
    // valve sources: outside pressure and temperature, gas fraction, implicit
    // fluxes and their pressure slopes, total mass flow
    Arr<float, MXVSRC> PTSOVA, TMSOVA, XVSRC;
    Arr<float, MXVSRC> WGSOVA, WLSOVA, DWGSV, DWLSV, GTSOVA;
    // --- devices ---
    // inlet sources, current values besides WGSOUR/WLSOUR
    Arr<float, MXSRC> TSRCUR;  // current source temperature, deg C
    Arr<float, MXSRC> HSOUR;   // current energy source, W/m3 of the section
    Arr<float, MXSRC> XSOUR;   // gas mass fraction used for the split
    // Flow-restriction table, the columns the choke model keeps (beside ICHSEC,
    // CHOAR, CHOCD, CHOFLG, ICHFST, ICHCOR and CHOKL of the set-up).
    Arr<float, MXDEV> CHOPEN;          // effective opening area, m2 (below 1e-6 shut)
    Arr<float, MXDEV> CHOCDA;          // Cd CHOPEN, m2
    Arr<int32_t, MXDEV> ICHMOD;        // 0 evaluate critical flow, 1 done, 2 throat state
    Arr<int32_t, MXDEV> ICHMRK;        // critical mark (1 for a closed device)
    Arr<float, MXDEV> CHOWC;           // critical mass flow, kg/s
    Arr<float, MXDEV> CHODWC;          // its derivative by the upstream pressure, kg/(s Pa)
    Arr<float, MXDEV> CHOY;            // critical pressure ratio, start of the next iteration
    Arr<float, MXDEV> CHOUC;           // critical throat velocity, m/s
    Arr<float, MXDEV> CHOGC;           // critical mass flux through the opening, kg/(m2 s)
    Arr<float, MXDEV> CHODG;           // velocity-limit derivative, m/(s Pa)
    Arr<float, MXDEV> CHOPC;           // critical pressure, Pa
    Arr<float, MXDEV> CHOPN;           // polytropic exponent n
    Arr<float, MXDEV> CHOKM;           // mixture exponent
    Arr<float, MXDEV> CHOTC;           // critical throat temperature, deg C
    Arr<float, MXDEV> CHOF;            // slope of the critical flux: W / ((vmt^2 - s^2) Gc)
    Arr<float, MXDEV> CHLIM;           // critical mass flow / (mixture mass x pipe area), m/s
    Arr<float, MXDEV> PCHOKE, TCHOKE;  // throat pressure Pa, temperature deg C
    Arr<float, MXDEV> UCHOKE, WCHOKE;  // throat velocity m/s, mass flux kg/(m2 s) (out < 0)
    Arr<float, MXDEV> CHOXG;           // gas fraction of the last critical evaluation
    Arr<float, MXDEV> CHOAPR, CHOACU;  // opening area at the start / end of the step, m2
    // --- mass ---
    // Fields of the leak and source lists that the set-up and the device
    // routines write; declared here until their owners' regions carry them.
    Arr<float, MXVSRC> HSOVA, RSSOVA;  // valve-source energy W/m3 and gas fraction
    Arr<int32_t, MXDEV> IDVST2;        // second per-device flag (choke state), set to 2 (devices)
    // --- deck ---
    // valve sources and leakages read from an input deck
    static constexpr int MXSOVT = 10;  // time points per valve source
    Arr<float, MXVSRC> RSOVA;          // valve-source gas mass ratio (absolute value)
    Arr<float, MXVSRC> AFSOVA;         // area factor Cd (d/D)^2
    Arr<int32_t, MXVSRC> ICTSOV, ICHSOV, IEQSOV,
        NTSOVA;  // controller, choke-type flag, equilibrium-gas flag, time points
    Arr2<float, MXSOVT, MXVSRC> TSOVT, PSOVT,
        TMSOVT;                // time table: time s, pressure Pa, temperature deg C
    Arr<float, MXLEK> AFLEAK;  // leakage area factor Cd (d/D)^2
    // void-fraction data of the branch ends (IB 1 left, 2 right) beside the
    // boundary options of NETDSC: the selector and the bounds of the
    // controlled gas volume fraction
    Arr2<int32_t, 2, MXBR> BOUSEL;
    Arr2<float, 2, MXBR> ALBMIN, ALBMAX;
};

// ---------------------------------------------------------------- LEKRES
struct Lekres {
    Arr<float, MXLEK> GTLEAK;  // current total mass rate, kg/s
    float LEAKFLOW;            // first leak's GTLEAK
    float time;                // release-end time, s after the leak opened
    int32_t IEND;              // release found ended
    float ROGLK, ROLLK, RSLK;  // reference properties at the leak
    float TCHECK;
    // peaks since the run started, per leak
    Arr<float, MXLEK> PKTOT, PKGAS, PKOIL, PKGSTD, PKOSTD;
    // accumulated totals, per leak
    Arr<double, MXLEK> ACMASS, ACOIL, ACGAS, ACOSTD, ACGSTD;
    // --- setup ---
    // --- pvt ---
    // --- output ---
    // Written by the leak flow; declared here until its fields are merged (keep one copy).
    Arr<float, MXLEK> PTLEAK;          // back pressure now, Pa
    Arr<float, MXLEK> WGLEAK, WLLEAK;  // gas, liquid mass flux, kg/(m2 s), out of the pipe negative
    Arr<float, MXLEK> QGLEAK, QOLEAK;  // gas, oil volume rates out of the leak, m3/s
    Arr<float, MXLEK> QGLKST, QOLKST;  // the same at standard conditions, Sm3/s
    // --- step ---
    // --- devices ---
    // per leak, beside the flows of the leak flow above
    Arr<float, MXLEK> DWGLK, DWLLK;  // pressure derivatives of WGLEAK, WLLEAK (implicit step)
    Arr<float, MXLEK> HLEAK;  // energy source, W/m3 of the section (out of the pipe negative)
    // --- mass ---
    Arr<double, MXLEK> ACGM, ACLM;  // accumulated released gas and liquid mass, kg
    // --- deck ---
    // End of the last step after the opening at which the first leak carried
    // at least the release-end test's rate, s of simulated time; 0 before.
    double TFLOW;
};

// ---------------------------------------------------------------- PLTCTL
struct Pltctl {
    int32_t NCURV;                                // curve count
    Arr<int32_t, MXCURV> IVCURV, ICCURV, IBCURV;  // variable id, cell, branch
    int32_t NCPLT;                                // curves in the plot file
    int32_t NPLTF;                                // number of plot files
    int32_t IUPLT;                                // plot unit
    double TPLOT;                                 // next plot time
    // --- setup ---
    // --- pvt ---
    // --- output ---
    // ICCURV and IBCURV hold the header labels (cell, branch) that PLTLAB sets.
    char KEYCRV[MXCURV][6];             // keyword each curve asks for
    Arr<int32_t, MXCURV> NPCURV;        // positions stored per curve
    Arr2<int32_t, MXB, MXCURV> IPCURV;  // IPCURV(j, k): position j of curve k
    Arr<float, MXCURV> VCURV;           // current sample of each curve
    int32_t NPHASE, IPHASE;             // plot phases and the current one
    Arr<float, 3> PHINT;                // interval of each phase, s
    Arr<float, 2> PHEND;                // end of phases 1 and 2 on the clock, s
    float PHLAST;                       // interval used for the last row, s
    float QLKPRV, TLKPRV;               // leak rate and clock at the previous phase-2 row
    // results listing (log unit)
    Arr<int32_t, MXNAM> IPRVAR;         // non-zero: variable id listed
    SecI IPRBND;                        // > 0: boundary row listed
    int32_t IPROPT;                     // bit 0: branch headers in the listing
    int32_t NLSCOL;                     // listing columns collected
    Arr2<double, MXEQ, 6> VLSCOL;       // VLSCOL(i, c): value i of listing column c
    char NMLSCOL[6][6], UNLSCOL[6][6];  // name and unit of each listing column
    Arr<int32_t, 6> NRLSCOL;            // rows of each listing column
    // --- step ---
    // --- devices ---
    // --- mass ---
    // --- deck ---
    // profile plot of an input deck
    static constexpr int MXPRV = 260;     // distinct profile variables
    static constexpr int MXPCEL = 500;    // cells per profile variable (the gatherer's column)
    static constexpr int MXPRT = 50;      // profile plot time points
    int32_t NPRVAR;                       // profile variables in the global list
    char PRVNAM[MXPRV][6];                // their short names
    Arr<int32_t, MXPRV> IPRVID;           // their variable ids
    Arr<int32_t, MXBR> NPRBR;             // profile variables per branch
    Arr2<int32_t, MXPRV, MXBR> IPRBRI;    // (k, branch): index in the global list
    Arr<int32_t, MXPRV> NPCELL;           // cells per profile variable
    Arr2<int32_t, MXPCEL, MXPRV> IPCELL;  // (j, k): the cells
    int32_t NPRTIM;                       // profile plot time points
    Arr<float, MXPRT> TPRTIM;             //   and their times, s
    int32_t NPRPT;                        // profile points
    Arr<int32_t, MXPCEL> IPRPBR, IPRPSE;  // branch and local section of each point
    Arr2<float, 6, MXPCEL> XYZPRF;        // midpoint x, y, z, then boundary x, y, z
    Arr<int32_t, MXNAM> IPLFLG;           // per variable: the default profile keyword (1..4) it is
    int32_t NDFPOS;                       // default profile positions
    Arr<int32_t, MXB> IDFCEL;             //   and the cell of each
};

// ---------------------------------------------------------------- VARTAB / VARNAM
struct Vartab {
    char NAME[MXVAR][6];
    char UNIT[MXVAR][6];
    char KIND[MXVAR];
    char DESC[MXVAR][50];
    // --- output ---
};

struct Varnam {
    char SHORT[MXNAM][6];
};

// ---------------------------------------------------------------- IOUNIT
struct Iounit {
    int32_t IUIN;           // input unit (10)
    int32_t IULOG;          // log unit (77)
    int32_t NBVAR;          // ids up to this are boundary variables (30)
    int32_t NSHORT;         // short-name count (260)
    Arr<int32_t, 6> IUNET;  // network-file units 11..16
    int32_t IUDMP;          // dump unit (19)
    int32_t IECHO;          // input-echo flag
    // --- setup ---
    // --- output ---
    // --- deck ---
    Arr<int32_t, 40> IGRPFL;  // group-given flags of an input deck
};

// ---------------------------------------------------------------- CTRTAB
struct Ctrtab {
    int32_t NCTR;
    Arr<int32_t, MXCTR> ICTRNO, ICTRTY, IRESTR;  // number, type, restart flag
    Arr<float, MXCTR> CTRTC;                     // time constant, s
    Arr<int32_t, MXCTR> NCTRT;                   // set-point table points
    Arr2<float, MXCTRT, MXCTR> TCTR, SCTR;       // set-point table: time, value
    Arr<float, MXCTR> CONTR, CTROLD, CTRRAT;
    // --- setup ---
    Arr<int32_t, MXCTR> ICTRL1, ICTRL2;  // two links (-1: none)
    Arr<int32_t, MXCTR> ICTRST, NCTRTB;  // first set-point table, number of tables
    int32_t NSPTAB;                      // set-point tables defined
    // --- devices ---
    // --- deck ---
};

// ---------------------------------------------------------------- CBKSTA
using ProgressFn = int32_t (*)(int32_t);
struct Cbksta {
    int32_t ACTIVE;
    ProgressFn PROC;
};

// ---------------------------------------------------------------- PVTCOM
struct Pvtcom {
    int32_t NP, NT;
    Arr<float, MXNP> PP;               // pressure grid, Pa
    Arr<float, MXNT> TT;               // temperature grid, deg C
    Arr<float, MXNT> PBUB, TAUX;       // per temperature
    Arr<float, MXNP> RDP;              // 1/(P(i+1)-P(i))
    Arr<float, MXNT> RDT;              // 1/(T(j+1)-T(j))
    int32_t MODE;                      // lookup-mode word
    Arr3<float, MXNT, MXNP, 18> TAB;   // TAB(j, i, k): temperature j fastest
    float ROGST, ROLST, BETAST, WFST;  // standard-condition values
    int32_t PVTOPT;
    // --- setup ---
    // --- pvt ---
    float WCUTV;  // water volume fraction of the liquid (PVTLIM)
    // Table slots of TAB (third index) by property; 17 and 18 stay zero.
    static constexpr int KCPG = 1, KCPL = 2, KRS = 3, KDRGP = 4, KDRGT = 5, KDRLP = 6, KDRLT = 7,
                         KHG = 8, KHL = 9, KROG = 10, KROL = 11, KSIG = 12, KCONG = 13, KCONL = 14,
                         KVISG = 15, KVISL = 16, KPVX1 = 17, KPVX2 = 18;
    // --- mass ---
    float GORSTD;  // gas-oil ratio at standard conditions, Sm3/Sm3
};

// ---------------------------------------------------------------- BANDWK
struct Bandwk {
    Arr2<double, 7, MXEQ> BAND;  // BAND(d, r): column d (4 = diagonal), row r
    Arr<double, MXEQ> RHS;       // right-hand side, replaced by the solution
    // --- step ---
    // Couplings across junction j from incoming slot m (NV x NV, column after column):
    // BJUNC(j, m, q + 1 + (k - 1) NV): row JGRP(j, m) + q, unknown JOUT(j) + k - 1;
    // CJUNC(j, m, q NV + i): row JOUT(j) + i - 1, unknown JGRP(j, m) + q.
    Arr3<double, MXJUN, MXBJ - 1, 9> BJUNC, CJUNC;
    Arr2<int32_t, MXJUN, MXBJ - 1> JGRP;  // first row of slot m's junction group
    Arr<int32_t, MXJUN> JOUT;             // first row of the branch leaving junction j
    int32_t NVJUN;                        // unknowns per group of the tables above
    // The same tables by row, rebuilt whenever they are set (band_index_rows):
    // JROWG(r) = 8 j + m for a row of junction group (j, m), else 0;
    // JROWO(r) = j for one of the first NVJUN rows of junction j's outgoing branch.
    Arr<int32_t, MXEQ> JROWG, JROWO;
    // --- mass ---
};

extern Runctl RUNCTL;
extern Netdsc NETDSC;
extern Pipgeo PIPGEO;
extern Secvar SECVAR;
extern Equipm EQUIPM;
extern Lekres LEKRES;
extern Pltctl PLTCTL;
extern Vartab VARTAB;
extern const Varnam VARNAM;
extern Iounit IOUNIT;
extern Ctrtab CTRTAB;
extern Cbksta CBKSTA;
extern Pvtcom PVTCOM;
extern Bandwk BANDWK;

// Sets every area to its initial value.
void INICOM();

}  // namespace rel
