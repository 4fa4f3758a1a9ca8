// The step routines the time loop calls, reachable through one table so that
// the loop's schedule, stop tests and failure paths can be exercised on their
// own. The table points at the library's routines; nothing but a test ever
// changes it.
#pragma once

#include <cstdint>
#include <string>

#include "release/release.h"

namespace rel {

struct LoopSteps {
    void (*timpl)(int32_t& ICUT, int32_t& IERR, char* MSG, int32_t LMSG);
    void (*lekflo)(int32_t& IERR, char* MSG, int32_t LMSG);
    void (*prpupd)(int32_t& IERR, char* MSG, int32_t LMSG);
    void (*mass)(int32_t& IERR, char* MSG, int32_t LMSG);
    void (*tadvdt)(int32_t ICUT);
    void (*plttrd)(int32_t& IERR, char* MSG, int32_t LMSG);
    int32_t (*calcbk)(int32_t& percentage);
};

// The table in use, and the library's own.
LoopSteps& loop_steps();
LoopSteps library_loop_steps();

// Release-end test and simple method (time_loop.cpp).
void ENDTST();
void ZEROGOR(char* MSG, int32_t LMSG);

// The 11 words of the discharge summary as the leak results hold them now,
// and the first word that is not a finite number (with non_negative: not a
// finite number at or above 0); name nullptr when all are.
struct SummaryFault {
    const char* name = nullptr;
    float value = 0.0f;
};
DischargeSummary summary_words();
SummaryFault summary_fault(const DischargeSummary& s, bool non_negative);

// The warning of a run whose leak never flowed because the back pressure
// outside it was not below the pipeline pressure at the leak.
extern const char* const LEAK_SHUT_TEXT;

// The warning of a run whose line had not settled when the leak opened, with
// the swings the warm-up's check measured (RUNCTL.IWUCHK 2).
std::string not_settled_text();

// The warning of a run whose line rose above RELEASE_HIGHEST_LINE_PRESSURE,
// with the highest pressure, where and when (RUNCTL.PTMAX); empty otherwise.
std::string high_pressure_text();

}  // namespace rel
