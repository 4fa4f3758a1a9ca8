// Routines of the initial state used only inside the run folder.
#pragma once

#include <cstdint>

namespace rel {

// Flow that arrives at branch b from the junctions it leaves, kg/s.
float JUNFLO(int32_t b);

}  // namespace rel
