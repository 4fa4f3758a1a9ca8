// Result values by id inside the deck folder (the gatherer and the dump).
#pragma once

#include <cstdint>

namespace rel::deck {

enum class Got_t { value, undefined, bad_index };

// Value of variable ID at cell or item I. With gather set, the arrays only
// the profile gatherer serves (29, 30, 54, 95, 115) are read too.
Got_t value_of(int32_t ID, int32_t I, float& v, bool gather);

// The per-section largest volume error of sections 2..NSEC back to 0.
void reset_volume_errors();

}  // namespace rel::deck
