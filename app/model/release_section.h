// The scenario file's "release" section: the discharge model's run options,
// the object numbers that name the outlet and the branches (so branch names
// are known again before the next validation), and the last run's summary.
// The user data of the section is the document's CReleaseModel.
#pragma once

#include <libxml/tree.h>

// Names of the 11 summary values, in the order of DischargeSummary.
extern const char* const DISCHARGE_SUMMARY_KEYS[11];

// FileSection callbacks; user_data is a CReleaseModel.
void SaveReleaseSection(void* user_data, xmlNodePtr section);
void LoadReleaseSection(void* user_data, xmlNodePtr section);
