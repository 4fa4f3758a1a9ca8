#pragma once
// Ids 16100..16299: the program's own messages (network check, models,
// runs and dialogs), texts in the string table. Grouped by who raises them;
// each group keeps the type its throwers and catchers rely on.

// Message ids the model layer raises.
enum : unsigned {
    IDS_NO_OUTLET_OR_NOT_TREE = 16103,  // also an object reached twice, or left over
    IDS_ONE_OUTLET_ONLY = 16102,
    IDS_ONE_LEAK_ONLY = 16104,
    IDS_MAX_SEGMENTS = 16106,
    IDS_MAX_JUNCTIONS = 16107,
    IDS_MAX_PIPES_AT_JUNCTION = 16108,
    IDS_INTERNAL_CHECK = 16112,
    IDS_FILE_STRUCTURE = 16113,
    IDS_ONLY_PIPELINES_AT_NODES = 16115,
    IDS_PIPELINE_BOTH_ENDS = 16116,
    IDS_MAX_BRANCHES = 16117,
    IDS_CONNECTION_TWO_PIPES = 16118,
    IDS_JUNCTION_THREE_BRANCHES = 16119,
    IDS_INLET_AT_START = 16120,
    IDS_OUTLET_SINGLE_PIPE = 16121,
    IDS_PIPELINES_DIRECT = 16122,
    IDS_NO_LEAK = 16123,
    IDS_BLACKOIL_ERROR = 16124,
    IDS_PIPELINE_TOO_SHORT = 16126,
    IDS_PIPELINE_SHORTER_THAN_DEPTH = 16127,
    IDS_COMPOSITION_ERROR = 16183,
    IDS_UNKNOWN_FLUID_CLASS = 16184,
    IDS_FLUID_RATES = 16191,
    IDS_OUT_OF_MEMORY = 16192,
    // What the simulation library would refuse at the start of a run.
    IDS_VALUE_NOT_A_NUMBER = 16200,
    IDS_PIPE_DIAMETER_NOT_POSITIVE = 16201,
    IDS_LEAK_DIAMETER_NOT_POSITIVE = 16202,
    IDS_LEAK_LARGER_THAN_PIPE = 16203,
    IDS_LEAK_OUTSIDE_PIPELINE = 16204,
    IDS_TOO_MANY_SECTIONS = 16205,
    IDS_ROUGHNESS_ABOVE_HALF_DIAMETER = 16206,
    IDS_ROUGHNESS_NEGATIVE = 16207,
    IDS_BACK_PRESSURE_TOO_LOW = 16208,
    IDS_END_TIME_OUT_OF_RANGE = 16209,
    IDS_LEAK_BELOW_SMALLEST_HOLE = 16210,
    // What the property tables cannot serve and no subsea line can be.
    IDS_TEMPERATURE_OUTSIDE_TABLES = 16211,
    IDS_OUTLET_PRESSURE_OUT_OF_RANGE = 16212,
    IDS_PIPE_BORE_TOO_LARGE = 16213,
    IDS_PIPELINE_TOO_LONG = 16214,
    IDS_BACK_PRESSURE_ABOVE_TABLES = 16221,
    // Values the user has to enter or confirm before a run.
    // "%1" the value's name, "%2" its attribute, "%3" what it holds, "%4" the object.
    IDS_VALUE_REPAIRED = 16240,
    // "%1" the fluid the runs use, "%2" the rate as it reads now, "%3" the inlet.
    IDS_INLET_RATE_OTHER_FLUID = 16241,
    // "%1" the fluid's value, "%2" the dialog that shows it.
    IDS_FLUID_VALUE_REPAIRED = 16243,
    // "%1" the run setting, "%2" its attribute.
    IDS_SETUP_VALUE_REPAIRED = 16244,
    // A scenario file refused before its objects are read.
    IDS_FILE_BRANCH_TOO_LONG = 16230,     // "%1" the file, "%2" the pipelines of its longest branch
    IDS_NEARFIELD_SETTING_RANGE = 16245,  // "%1" the setting, "%2" its value, "%3" to "%4"
    IDS_NEARFIELD_SETTING_ABOVE = 16246,  // as 16245, the low end excluded
    IDS_NEARFIELD_SETTINGS_USED = 16247,
    IDS_FILE_TOO_MANY_OBJECTS = 16248,          // "%1" the file, "%2" its objects, "%3" the most
    IDS_PIPELINE_BOTH_ENDS_NAMED = 16250,       // 16116 for "%1", the pipeline by its label
    IDS_JUNCTION_THREE_BRANCHES_NAMED = 16251,  // 16119 for "%1", the junction by its label
};

// String-table ids the discharge run raises.
enum : unsigned {
    IDS_NETWORK_INVALID = 16109,
    IDS_RELEASE_UNSPECIFIED = 16154,
    IDS_LEAK_DEPTH_UNAVAILABLE = 16159,
    IDS_LEAK_DIAMETER_UNAVAILABLE = 16160,
    IDS_LEAK_AMBIENT_TEMP_UNAVAILABLE = 16165,
    IDS_INLET_RATE_DRIVES_PRESSURE = 16290,  // "%1" the inlet, "%2" its rate
    IDS_INLET_RATE_RAISES_PRESSURE = 16330,  // "%1" the inlet, "%2" its rate
};

// String-table ids of the task messages.
enum : unsigned {
    IDS_UNKNOWN_ERROR = 16110,
    IDS_UNABLE_TO_START_JOB = 16111,
};

// Message ids the result-file reader and its callers raise.
enum : unsigned {
    IDS_RESULT_FILE_OPEN = 16163,      // "Could not open scenario's result file (.PLT)!"
    IDS_RESULT_FILE_MISMATCH = 16164,  // "There was a mismatch between expected data columns ..."
};

// Messages of a run's result files and of the plots that read them (the
// end of the range). "%1" is the scenario; a failure reads "file: step
// failed: reason".
enum : int {
    IDS_RESULTS_BUSY = 16280,
    IDS_RESULTS_CANNOT_WRITE = 16281,      // "%2" the failure
    IDS_RESULTS_NOT_PUT_IN_PLACE = 16282,  // "%2" the failure
    IDS_RESULTS_MIXED = 16283,             // "%2" the failure, "%3" the put-back's, "%4" the folder
    IDS_RESULTS_INTERRUPTED = 16284,       // "%2" the failure, "%3" the folder
    IDS_RESULTS_FOLDER_REFUSED = 16288,    // "%2" the folder, "%3" why
    IDS_RESULTS_LEFT_TO_COMPLETE = 16289,  // "%2" the failure, "%3" the record's, "%4" the folder
    IDS_RESULTS_NOT_FLUSHED = 16279,       // "%2" the failure, "%3" the folder
    IDS_BRANCH_NAMES_NOT_WRITTEN = 16285,  // "%1" the failure
    IDS_RESULT_OUTDATED_DISCHARGE = 16286,
    IDS_RESULT_OUTDATED_NEARFIELD = 16287,
};

// Messages of the scenario's commands and dialogs.
enum : int {
    IDS_NETWORK_VALID = 16101,
    IDS_LABEL_REQUIRED = 16166,
    IDS_CALCULATING_DISCHARGE = 16150,
    IDS_CALCULATING_NEARFIELD = 16151,
    IDS_SAVE_BEFORE_DISCHARGE = 16156,
    IDS_SAVE_BEFORE_NEARFIELD = 16157,
    IDS_CONFIRM_NEARFIELD = 16158,
    IDS_NO_DISCHARGE_DATA = 16161,
    IDS_CONFIRM_FLUID = 16196,
    // A run that stopped: its release time is only a lower bound.
    IDS_TIME_AT_LEAST = 16270,            // "at least %1", the time
    IDS_TIME_RUN_STOPPED = 16271,         // "%1 (the run stopped)", the time or its unit
    IDS_NEARFIELD_FILES_WRITTEN = 16260,  // "%1" the files, one a line
    IDS_RUNS_USE_THIS_BLACK_OIL = 16291,
    IDS_RUNS_USE_THE_COMPOSITION = 16292,
    IDS_RUNS_USE_THIS_COMPOSITION = 16293,
    IDS_RUNS_USE_THE_BLACK_OIL = 16294,
    IDS_INLET_RATES_TO_ENTER = 16242,   // "%1" the fluid the runs now use
    IDS_PARSE_REAL_ABOVE_ZERO = 16299,  // "%1" the top of the range
};

// Column headings and refusals of the Gas Composition dialog.
enum : int {
    IDS_COLUMN_COMPONENT = 16171,
    IDS_COLUMN_MOLE_PERCENT = 16172,
    IDS_COLUMN_MOLE_WEIGHT = 16173,     // "%1" the unit
    IDS_COLUMN_LIQUID_DENSITY = 16174,  // "%1" the unit
    IDS_FRACTION_NEGATIVE = 16175,
    IDS_MOLE_WEIGHT_MISSING = 16176,
    IDS_MOLE_WEIGHT_NOT_POSITIVE = 16177,
    IDS_LIQUID_DENSITY_NOT_POSITIVE = 16178,
    IDS_LIQUID_DENSITY_MISSING = 16179,  // "%1" the component
    IDS_FRACTIONS_ABOVE_100 = 16180,
    IDS_FRACTIONS_BELOW_100 = 16181,
    IDS_POSITIVE_NUMBER_REQUIRED = 16182,
};

// Message identifiers the near-field models raise (texts in the string table);
// they raise IDS_INTERNAL_CHECK, IDS_RESULT_FILE_OPEN and
// IDS_RESULT_FILE_MISMATCH too.
namespace NearFieldMsg {
enum : int {
    NearfieldInternal = 16128,   // result code 1
    PlumeSummaryCreate = 16134,  // result code 12
    PlumeSummaryWrite = 16135,   // result code 13
    NotCalculated = 16148,       // "Leakage discharge has not been calculated, ..."
    LeakDiameter = 16152,        // "The Leakage point's diameter must be a positive value. ..."
    NoDischargeRecords = 16153,  // "The RELEASE result did not contain any discharge data records."
    UnspecifiedError = 16155,    // "Unspecified error from NEARFIELD module"
    UnitConversion = 16162,      // "Problem with unit conversion parameters"
    WaterTemperature = 16169,    // "Water temperature value was below -273 °C!"
    NegativeMass = 16189,        // "Anti-matter or negative mass detected!"
    NotSubsurface = 16187,  // "The Nearfield (plume) calculations can only handle sub-surface ..."
    NegativeVolumeRate = 16193,  // "Volume rate was negative!"
    Ulv5Write = 16194,           // "Unable to create or write to Ulv/5 data file!"
    DeepWater = 16215,           // "The plume model leaves out gas dissolution ..."
    Ulv5StartDate = 16216,       // "The start date of the Ulv/5 file is not a date."
};
}

// Refusals of the pipeline-database sink: %1 the field, %2 the value.
enum : int {
    IDS_SINK_NOT_A_NUMBER = 16217,
    IDS_SINK_NOT_ABOVE_ZERO = 16218,
    IDS_SINK_BELOW_LIMIT = 16219,    // %3 the limit
    IDS_SINK_NAME_TOO_LONG = 16220,  // %1 the longest name
};
