// Processor time of the process.
#include <ctime>

#include "rt/fortio.h"
#include "run/routines.h"

namespace rt {

float cputime() {
    timespec ts{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return 0.0f;
    return static_cast<float>(static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec));
}

}  // namespace rt

namespace rel {

float CPUTIM() { return rt::cputime(); }

}  // namespace rel
