// A generated family of networks for timing the library and for keeping its
// results fixed: single lines of 20 to 199 sections and a 13-branch network
// with three junctions of 75 to 199 sections, each released for 1 h and 24 h.
// Every member is a worst case in which the inlets keep feeding the leak, so
// the run goes on to its end time at the longest steps the schedule allows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "case_file.h"
#include "release/release.h"

namespace family {

struct Member {
    std::string name;  // e.g. "line199_24h", "net199_1h"
    int sections = 0;  // sections of the whole network
    int branches = 0;
    float end_time = 0;  // s after the leak opens
    std::string json;    // the case file
};

// All members, lines first, then the networks; 1 h before 24 h.
std::vector<Member> members();

// A single line of `sections` sections (20 .. 199) released for end_time s.
Member line(int sections, float end_time);
// The 13-branch network of `sections` sections (at least 75, at most 199).
Member network(int sections, float end_time);

// One RELEASE run of a case: fills the fluid-property tables (BLACKOIL or
// COMPPVT) and calls RELEASE with the result path `stem` + ".$$$", so that
// the run writes `stem`.plt and `stem`.log.
struct Outcome {
    int32_t ierr = 0;
    std::string message;  // trailing blanks removed
    bool fluid_refused = false;
    DischargeSummary summary{};
    int64_t steps = 0;  // completed time steps of the run
};
Outcome run(cases::Case& c, const std::string& stem);

}  // namespace family
