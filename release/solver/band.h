// Band storage of the implicit systems, shared by every assembler and both
// solvers.
//
// BANDWK.BAND(d, r) holds, in row r, the coefficient of unknown r + d - 4:
// column 4 is the diagonal whatever the width, so a 7-wide system uses
// columns 1..7, a 5-wide one columns 2..6 and a 3-wide one columns 3..5.
// Couplings across a junction that fall outside the band live in
// BANDWK.BJUNC / CJUNC (see state.h); JGRP/JOUT locate them.
#pragma once

#include <cstdint>

#include "run/state.h"

namespace rel {

// The coefficient in row r of unknown c (|c - r| <= 3).
inline double& band(int r, int c) { return BANDWK.BAND(4 + c - r, r); }

// Clears rows 1..n of the band and its right-hand side and both junction
// coupling arrays.
void band_clear(int n);

// Sets the junction tables of a system with NV unknowns per junction group:
// nrows(s) is the number of unknowns of section s, numbered section after
// section. The group of an incoming branch is its last NV rows, the
// outgoing branch of junction j starts at JOUT(j). Throws RunFailure when a
// branch has fewer than NV unknowns or a junction lists a branch that has
// none.
void band_junctions(int NV, const SecI& nrows);

// Rebuilds the row tables JROWG / JROWO of BANDWK from JGRP, JOUT and
// NVJUN, so that the junction place of a row is found without a search.
void band_index_rows();

// Adds v to the coefficient in row r of unknown c, wherever it is stored:
// in the junction blocks when r and c are the two sides of a junction
// coupling, else in the band. A coefficient that fits neither throws
// RunFailure (an assembly fault, never an input condition).
void band_add_coupled(int r, int c, double v);
inline void band_add(int r, int c, double v) {
    // Most rows are no junction row: straight into the band.
    if (r >= 1 && r <= MXEQ && c >= 1 && c <= MXEQ && c - r >= -3 && c - r <= 3 &&
        BANDWK.JROWG(r) == 0 && BANDWK.JROWO(r) == 0) {
        band(r, c) += v;
        return;
    }
    band_add_coupled(r, c, v);
}

}  // namespace rel
