// The progress callback of a run: registered for the time loop only, and
// RELTIM, which tells the callback how far the run has got in simulated time.
#include <atomic>

#include "run/entry_scope.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {

namespace {
// Written by the time loop on the running thread, read by RELTIM from any.
std::atomic<double> g_since_leak{0.0};
std::atomic<int32_t> g_held{0};
}  // namespace

int32_t NOCBK(int32_t) { return 0; }

// A holder that is missing or holds 0 means no callback.
void SETCBK(ReleaseProgressFn* holder) {
    SETPRG(0.0, false);
    ReleaseProgressFn fn = holder ? *holder : nullptr;
    if (fn) {
        CBKSTA.PROC = fn;
        CBKSTA.ACTIVE = TRUE_;
    } else {
        CBKSTA.PROC = NOCBK;
        CBKSTA.ACTIVE = FALSE_;
    }
}

int32_t CALCBK(int32_t& percentage) {
    if (!is_true(CBKSTA.ACTIVE) || !CBKSTA.PROC) return 0;
    const CallerLocale callers;
    return CBKSTA.PROC(percentage);
}

}  // namespace rel

namespace rel {

void SETPRG(double since_leak, bool held) {
    g_since_leak.store(since_leak > 0.0 ? since_leak : 0.0, std::memory_order_relaxed);
    g_held.store(held ? 1 : 0, std::memory_order_relaxed);
}

}  // namespace rel

extern "C" RELEASE_API void RELEASE_CALL RELTIM(double* seconds, int32_t* held) {
    rel::clear_upper_vector_state();
    if (seconds) *seconds = rel::g_since_leak.load(std::memory_order_relaxed);
    if (held) *held = rel::g_held.load(std::memory_order_relaxed);
}
