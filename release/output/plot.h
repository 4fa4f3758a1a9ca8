// Routines of the plot curves and the result time-series file that are used
// inside this folder (and by its tests).
#pragma once

#include <cstdint>

namespace rel {

// Checks position p of curve k against branch b (its type, section count and
// section offset) and stores it when valid; refusals write a block to the log.
void PLTCHK(int32_t k, int32_t b, int32_t p, int32_t type, int32_t nsec, int32_t offset,
            int32_t& IERR, char* MSG, int32_t LMSG);

// In the ascending positions of curve k after index i0: the first and last
// index whose positions lie in lower..upper; found is -1 when there are any.
void TBSRCH(int32_t k, int32_t i0, int32_t lower, int32_t upper, int32_t& first, int32_t& last,
            int32_t& found);

// Writes the three header lines of the result file; false when a write failed.
bool PLTHED();

// The sections of the branches before b, and the first plot position's offset
// within b (2 when the branch starts at an inlet, whose inlet section is not
// plotted, else 1).
int32_t branch_offset(int32_t b);
int32_t first_plot_section(int32_t type);

// The current value of curve k's variable at its stored cell, written into
// the curve's sample (a variable with no sampler keeps its previous sample).
void sample_curves();

}  // namespace rel
