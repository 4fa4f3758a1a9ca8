// Internal pieces shared between the library's own files.
#pragma once

// Registers Text and the six network types, in that order.
void register_standard_types();
