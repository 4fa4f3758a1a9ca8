// The messages the near-field models raise, with the texts the user sees.
#include "nearfield_model.h"
#include "string_table.h"

#include <gtest/gtest.h>

namespace {

TEST(NearFieldMessages, every_result_code_shows_its_message) {
    struct Row {
        int code, id;
        const char* text;
    };
    const Row rows[] = {
        {1, 16128, "Internal error in NEARFIELD module"},
        {2, 16129, "Out of memory"},
        {5, 16130, "Could not open required configuration file"},
        {6, 16131, "Could not read or interpret required configuration file"},
        {10, 16132, "Could not create plume output file"},
        {11, 16133, "Error writing to plume output file"},
        {12, 16134, "Could not create plume summary file"},
        {13, 16135, "Error writing to plume summary file"},
        {20, 16136, "Could not create concentration result file"},
        {21, 16137, "Error writing to concentration result file"},
        {22, 16138, "Could not create detailed (secondary) concentration file"},
        {23, 16139, "Error writing to detailed (secondary) concentration file"},
        {50, 16140, "Could not open Ambient Hydrographic Profile file"},
        {51, 16141, "Could not open Ambient Current file (East component)"},
        {52, 16142, "Could not open Ambient Current file (North component)"},
        {55, 16143, "Error reading from Ambient Hydrographic Profile file"},
        {56, 16144, "Error reading from Ambient Current file (East component)"},
        {57, 16145, "Error reading from Ambient Current file (North component)"},
        {60, 16146, "Data from AHP file was truncated (too many records or overflow)"},
        {61, 16147, "Data from ACE/ACN file was truncated (too many records or overflow)"},
        {-10, 16167, "Current records exceeded! Remaining snapshots skipped."},
        {-11, 16168, "Release duration exceeds current records. No snapshots produced!"},
        {4, 16155, "Unspecified error from NEARFIELD module"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(NearFieldResultMessage(r.code), r.id) << r.code;
        EXPECT_EQ(AfxLoadString(r.id).toStdString(), r.text) << r.id;
    }
}

TEST(NearFieldMessages, the_models_own_messages_have_their_texts) {
    struct Row {
        int id;
        const char* text;
    };
    const Row rows[] = {
        {IDS_INTERNAL_CHECK, "An internal error occurred - Unable to finish network check!"},
        {NearFieldMsg::NotCalculated,
         "Leakage discharge has not been calculated, so cannot calculate nearfield"},
        {NearFieldMsg::LeakDiameter,
         "The Leakage point's diameter must be a positive value. (Did you forget to specify it?)"},
        {NearFieldMsg::NoDischargeRecords,
         "The RELEASE result did not contain any discharge data records."},
        {NearFieldMsg::UnitConversion, "Problem with unit conversion parameters"},
        {IDS_RESULT_FILE_OPEN, "Could not open scenario's result file (.PLT)!"},
        {IDS_RESULT_FILE_MISMATCH,
         "There was a mismatch between expected data columns and those found in the result file."},
        {NearFieldMsg::WaterTemperature, "Water temperature value was below -273 °C!"},
        {NearFieldMsg::NotSubsurface,
         "The Nearfield (plume) calculations can only handle sub-surface discharges, but given "
         "depth "
         "was not a positive value!"},
        {NearFieldMsg::NegativeMass, "Anti-matter or negative mass detected!"},
        {NearFieldMsg::NegativeVolumeRate, "Volume rate was negative!"},
        {NearFieldMsg::Ulv5Write, "Unable to create or write to Ulv/5 data file!"},
    };
    for (const Row& r : rows) EXPECT_EQ(AfxLoadString(r.id).toStdString(), r.text) << r.id;
}

}  // namespace
