// The scenario file's "fluid" section: the black oil with its confirmed flag
// and, when there is one, the gas composition. The user data of the section
// is the document's CFluidModel.
#ifndef ORVANE_MODEL_FLUID_SECTION_H
#define ORVANE_MODEL_FLUID_SECTION_H

#include <libxml/tree.h>

// FileSection callbacks; user_data is a CFluidModel.
void SaveFluidSection(void* user_data, xmlNodePtr section);
void LoadFluidSection(void* user_data, xmlNodePtr section);

#endif
