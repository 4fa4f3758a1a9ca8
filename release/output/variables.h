// The result variables: every quantity the library can report over time has
// a fixed id 1..200, and this one table holds all that is known about it:
// name, unit, kind letter, description, the state array that holds it, and
// how the values by id report it. The catalogue, the result-file sampler, the
// results listing and the values by id all read it.
#pragma once

#include <cstdint>

#include "run/state.h"

namespace rel {

// How the values by id serve a variable that has a state array.
enum class ById : uint8_t {
    no,         // not by its array (a special rule of the reader, or none)
    value,      // the element as stored
    magnitude,  // a flow: its size, whatever its direction
    gather,     // only the profile gatherer reads it
};

struct ResultVar {
    int16_t id;
    const char* name;              // catalogue name, at most 6 characters
    const char* unit;              // at most 6 characters
    char kind;                     // 'B' at a section boundary, 'S' of a section, '-' anything else
    const char* desc;              // at most 50 characters
    SecF Secvar::*real = nullptr;  // the array by section or boundary that holds it
    SecI Secvar::*whole = nullptr;  // or the whole-number indicator array
    ById by_id = ById::no;
};

// The row of variable id; nullptr for a free id or one outside 1..200.
const ResultVar* result_var(int32_t id);

// The state array of variable id in the current state; nullptr when it has none.
const SecF* real_array(int32_t id);
const SecI* whole_array(int32_t id);

}  // namespace rel
