// Routines and helpers of the implicit pressure-velocity step that are used
// only inside the solver folder.
#pragma once

#include <cstdint>

#include "run/constants.h"
#include "run/state.h"

namespace rel {

constexpr float PI_ = 3.141593f;

// Wall friction factor at Reynolds number RE and relative roughness ED; F
// multiplies the turbulent part, X is not read.
float FRICF(float F, float X, float RE, float ED);
void FLOREG();
void CLOCOR();
void STRGEO();
void MOMASM();
void CHKVST();
// Half width of the band of the regime choice, relative to the gas velocity.
constexpr float REGIME_BAND = 0.1f;
// The band of the bubble's gas fraction above the line's over which the slug
// closure takes over from the stratified one.
constexpr float FILM_BAND = 0.15f;
// The weight of the intermittent closures at a boundary that the intermittent
// selection put in regime 3 or 4 (the rest is the stratified/annular one): 1
// where the front travels slower than the stratified balance velocity by more
// than REGIME_BAND of the gas velocity, 0 where faster by more, linear between.
float intermittent_weight(float UGST, float UTB, float UG, float SGNDRF);

// ---------------------------------------------------------------- topology
// The first section of the branch that leaves junction j (0 when none).
int junction_section(int j);
// The section downstream of boundary i: section i, or at a branch end that
// enters a junction the first section behind the junction.
int downstream(int i);
// Length-weighted mean of a per-section value at boundary i.
float bmean(const SecF& f, int i);
// The diameter the closures use for boundary i.
float closure_diameter(int i);
// A boundary that no flow crosses in this pass: behind an inlet cell, at a
// closed check valve or at a shut branch-end choke.
bool wall_boundary(int i);
// Flow area of boundary i (the smaller of the two pipes there), m2.
float face_area(int i);

// ---------------------------------------------------------------- unknowns
// Unknowns of the pressure-velocity system per section: 3 (UG, UL, P) for an
// ordinary section, 2 (UG, UL) at the end of a branch entering a junction
// and at the last section, 1 (P) behind a junction, 0 for sections of other
// kinds. The group of a section starts at row first(s).
struct PvRows {
    SecI n, first;
    int neq;
};
PvRows pv_rows();

// ---------------------------------------------------------------- step control
// Relative pressure-change indicator of one section.
float dpr_indicator(double P, float PT, float DPTO, double HT);
// The step after a cut at indicator r.
double cut_step(double HT, float r, float HTMIN, float HTSAF, float DPRRED);
// Largest indicator over the sections that take part in the test, from the
// solution in BANDWK; records it in SECVAR.DPRMAX and its section in isec.
float step_change_test(const PvRows& rows, int& isec);
// Takes the solution in BANDWK as the new velocities and pressures (with
// their derivatives, pressure gradients, droplet velocities, direction
// indices and the zero velocity of shut chokes).
void pv_accept(const PvRows& rows);
// The Courant limit of the accepted state into SECVAR.DTCFL / IDTCFL.
void courant_limit();

}  // namespace rel
