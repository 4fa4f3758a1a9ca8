// What every exported entry holds for the whole of its call: the library's
// one-call-at-a-time guard and the C locale on the calling thread.
#pragma once

namespace rel {

// The library keeps its state in process-wide areas, so a second call while
// one runs (another thread, or the progress callback) would work on the
// running call's state. The guard is taken on entry and given back on every
// way out; a call that does not get it touches nothing and is refused with
// BUSY_MESSAGE.
//
// Numbers in the result files and in the input decks are written and read
// with the C library, which follows the thread's locale; the GUI sets the
// process locale to the user's (a comma decimal point). The scope therefore
// gives its own thread the C locale and hands the caller's back on the way
// out, and around the progress callback (CallerLocale).
class EntryScope {
public:
    EntryScope();
    ~EntryScope();
    EntryScope(const EntryScope&) = delete;
    EntryScope& operator=(const EntryScope&) = delete;

    bool held() const { return held_; }

private:
    bool held_ = false;
};

inline constexpr const char* BUSY_MESSAGE =
    "THE LIBRARY IS RUNNING ANOTHER CALL IN THIS PROCESS: ONE CALL AT A TIME";

// The library is built for any x86-64 and runs on SSE, and libm's exp and log
// pick vector-encoded variants at run time. A caller whose string and memory
// routines used the wide registers (glibc's 256- and 512-bit ones do) hands
// them over with their upper halves marked in use, and then every switch
// between the two encodings costs a state transition: a run three to ten
// times slower, with the same results. The scope and the return from the
// progress callback therefore clear that state where the processor has it.
void clear_upper_vector_state();

// The caller's own locale for the time of a callback into the caller.
class CallerLocale {
public:
    CallerLocale();
    ~CallerLocale();
    CallerLocale(const CallerLocale&) = delete;
    CallerLocale& operator=(const CallerLocale&) = delete;
};

}  // namespace rel
