// The scenario file's "fluid" section: the black oil with its confirmed flag
// and, when there is one, the gas composition. The user data of the section
// is the document's CFluidModel.
#pragma once

#include <libxml/tree.h>

// FileSection callbacks; user_data is a CFluidModel.
void SaveFluidSection(void* user_data, xmlNodePtr section);
void LoadFluidSection(void* user_data, xmlNodePtr section);
