// Parts of the results listing that the tests reach directly.
#pragma once

#include <cstdint>

namespace rel {

// Appends variable id as a listing column when it is selected (boundary
// values 2..last from values[i], section values from values[1..]) and prints
// a table at the end of a group or when the columns reach width.
void PLTSTO(int32_t id, int32_t& width, int32_t last, const float* values);
// The profile of a section variable (values[s - 1] for section s) along the
// network into listing column `column`; rows receives the row count.
void PLTPRF(int32_t column, int32_t id, const float* values, int32_t& rows);
// The controller block, eight controllers to a line.
void PRCOUT(int32_t unit);

}  // namespace rel
