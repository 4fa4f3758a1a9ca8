// Processor time of the process.
//
// Reading the process's processor clock is a system call (microseconds),
// and the solver reads the clock several times in every time step to keep
// the time of its closures, assembly and solves. So the processor clock is
// read at most once per 10 ms of elapsed time; in between the last reading
// moves on with the monotonic clock, which the C library answers without a
// system call. The result never runs backwards and runs ahead of the
// processor clock by at most those 10 ms (when the process waited for the
// processor in between).
#include <algorithm>
#include <ctime>

#include "rt/fortio.h"
#include "run/routines.h"

namespace rt {

namespace {

double seconds(clockid_t clock) {
    timespec ts{};
    if (clock_gettime(clock, &ts) != 0) return -1.0;
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

constexpr double kReadInterval = 0.01;  // s of elapsed time between processor-clock readings

struct CpuClock {
    double cpu = -1.0;   // last processor-clock reading, s
    double at = 0.0;     // monotonic time of that reading, s
    double given = 0.0;  // the last value handed out
};
thread_local CpuClock clock_state;

}  // namespace

float cputime() {
    CpuClock& c = clock_state;
    const double now = seconds(CLOCK_MONOTONIC);
    double t;
    if (c.cpu < 0.0 || now < 0.0 || now - c.at >= kReadInterval || now < c.at) {
        const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID);
        if (cpu < 0.0) return static_cast<float>(c.given);
        c.cpu = cpu;
        c.at = now;
        t = cpu;
    } else {
        t = c.cpu + (now - c.at);
    }
    c.given = std::max(c.given, t);
    return static_cast<float>(c.given);
}

}  // namespace rt

namespace rel {

float CPUTIM() { return rt::cputime(); }

}  // namespace rel
