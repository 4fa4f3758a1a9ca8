// Look-ups in the result-variable catalogue.
#pragma once

#include <cstdint>

namespace rel {

// Index (1..260) of the first VARNAM entry equal to the 6 characters at
// keyword, compared byte for byte; 0 when none is.
int32_t varnam_lookup(const char* keyword);

}  // namespace rel
