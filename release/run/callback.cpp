// The progress callback of a run: registered for the time loop only.
#include "run/entry_scope.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {

int32_t NOCBK(int32_t) { return 0; }

// A holder that is missing or holds 0 means no callback.
void SETCBK(ReleaseProgressFn* holder) {
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
