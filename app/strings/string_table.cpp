#include "string_table.h"

#include <QHash>

#include "command_ids.h"

namespace {

struct StringEntry {
    int id;
    const char* text;
};

const StringEntry kStrings[] = {
    // Framework messages.
    {AFX_IDP_COMMAND_FAILURE, "Command failed."},
    {AFX_IDP_ASK_TO_SAVE, "Save changes to %1?"},
    {AFX_IDP_FAILED_TO_OPEN_DOC, "Failed to open document."},
    {AFX_IDP_FAILED_TO_SAVE_DOC, "Failed to save document."},
    {AFX_IDP_NO_PRINTER, "No printer is installed: nothing was printed."},
    {AFX_IDP_FAILED_TO_START_PRINT, "Failed to start print job."},
    {AFX_IDP_PARSE_INT, "Enter an integer."},
    {AFX_IDP_PARSE_REAL, "Enter a number."},
    {AFX_IDP_PARSE_INT_RANGE, "Enter an integer between %1 and %2."},
    {AFX_IDP_PARSE_REAL_RANGE, "Enter a number between %1 and %2."},
    {AFX_IDP_PARSE_STRING_SIZE, "Enter no more than %1 characters."},
    // Messages of the network check, the models and the dialogs.
    {16100,
     "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    {16101, "No problems detected - The network is valid!"},
    {16102, "Only one Outlet point is supported."},
    {16103,
     "The network must be a \"tree-shape\" with all branches (pipelines) converging toward a "
     "single Outlet point at its \"root\"."},
    {16104, "Only one Leakage point is supported."},
    {16106,
     "A maximum of 100 Pipeline segments per branch (e.g., between two Junction points) is "
     "supported."},
    {16107, "A maximum of 3 Junction points is supported."},
    {16108, "A maximum of 5 Pipeline objects connected to a single Junction point is supported."},
    {16109, "The current network is invalid"},
    {16110, "Unknown error"},
    {16111, "Unable to start job"},
    {16112, "An internal error occurred - Unable to finish network check!"},
    {16113, "Internal data structure format is not as expected - Is the file corrupt?"},
    {16115,
     "Only Pipeline objects are allowed to be connected to nodes of the diagram (like Junctions, "
     "Inlets, ...)."},
    {16116, "A Pipeline object must be connected to a non-Pipeline object at both endpoints."},
    {16117,
     "A maximum of 15 branches (series of Pipeline objects between junctions) is supported."},
    {16118, "A Connection object should have exactly 2 Pipelines connected."},
    {16119, "A Junction object should connect at least 3 branches (Pipelines)."},
    {16120, "An Inlet point must be at the start of an [incoming] branch."},
    {16121,
     "The Outlet point should be connected to a single [incoming] branch (Pipeline object)."},
    {16122,
     "Two Pipeline objects are not allowed to be connected directly to each other; Use a "
     "Connection object between them!"},
    {16123, "No Leakage point was found. Must be attached to a Pipeline."},
    {16124, "Error from BLACKOIL model"},
    {16126,
     "A Pipeline must have a length of at least 30 m or 100 ft. (Did you forget to specify it?)"},
    {16127, "Length of Pipeline was shorter than the depth difference between its endpoints."},
    {16128, "Internal error in NEARFIELD module"},
    {16129, "Out of memory"},
    {16130, "Could not open required configuration file"},
    {16131, "Could not read or interpret required configuration file"},
    {16132, "Could not create plume output file"},
    {16133, "Error writing to plume output file"},
    {16134, "Could not create plume summary file"},
    {16135, "Error writing to plume summary file"},
    {16136, "Could not create concentration result file"},
    {16137, "Error writing to concentration result file"},
    {16138, "Could not create detailed (secondary) concentration file"},
    {16139, "Error writing to detailed (secondary) concentration file"},
    {16140, "Could not open Ambient Hydrographic Profile file"},
    {16141, "Could not open Ambient Current file (East component)"},
    {16142, "Could not open Ambient Current file (North component)"},
    {16143, "Error reading from Ambient Hydrographic Profile file"},
    {16144, "Error reading from Ambient Current file (East component)"},
    {16145, "Error reading from Ambient Current file (North component)"},
    {16146, "Data from AHP file was truncated (too many records or overflow)"},
    {16147, "Data from ACE/ACN file was truncated (too many records or overflow)"},
    {16148, "Leakage discharge has not been calculated, so cannot calculate nearfield"},
    {16150, "Calculating discharge..."},
    {16151, "Calculating nearfield..."},
    {16152,
     "The Leakage point's diameter must be a positive value. (Did you forget to specify it?)"},
    {16153, "The RELEASE result did not contain any discharge data records."},
    {16154, "Unspecified error from RELEASE module"},
    {16155, "Unspecified error from NEARFIELD module"},
    {16156, "You must save the scenario before you can run the Discharge Model! Save now?"},
    {16159, "The scenario was not validated. Leakage depth unavailable!"},
    {16160, "The scenario was not validated. Leakage diameter unavailable!"},
    {16161, "Cannot run Nearfield Model due to missing Discharge data!"},
    {16162, "Problem with unit conversion parameters"},
    {16163, "Could not open scenario's result file (.PLT)!"},
    {16164,
     "There was a mismatch between expected data columns and those found in the result file."},
    {16165, "The scenario was not validated. Leakage ambient temperature unavailable!"},
    {16166, "A label must be entered!"},
    {16167, "Current records exceeded! Remaining snapshots skipped."},
    {16168, "Release duration exceeds current records. No snapshots produced!"},
    {16169, "Water temperature value was below -273 °C!"},
    {16171, "Component"},
    {16172, "Mol %"},
    {16173, "Mol wt [%1!s!]"},
    {16174, "Liq.density [%1!s!]"},
    {16175, "Fractions must be positive!"},
    {16176, "Mole weight must be specified!"},
    {16177, "Mole weight must be given as positive value!"},
    {16178, "Liquid density must be given as positive value!"},
    {16179, "Liquid density must be specified for component %1!s!"},
    {16180, "Total fractions exceed 100%"},
    {16181, "Total fractions don't add up to 100%"},
    {16182, "A positive number must be entered!"},
    {16183, "Error in Gas Composition setup"},
    {16184, "Internal error: The type of fluid setup is not recognized"},
    {16185, "Tessel.exe"},
    {16187,
     "The Nearfield (plume) calculations can only handle sub-surface discharges, but given depth "
     "was not a positive value!"},
    {16189, "Anti-matter or negative mass detected!"},
    {16191,
     "Problem with fluid setup, did you check the fluid rates on all inlets?  (Diagnosis: beta or "
     "ROGst from COMPPVT)"},
    {16192, "Out of memory!"},
    {16193, "Volume rate was negative!"},
    {16194, "Unable to create or write to Ulv/5 data file!"},
    {16196,
     "You must confirm having considered (or at least seen) the fluid settings by pressing OK in "
     "the Fluid Properties dialog box!"},
    // What the simulation library would refuse, found by Verify Layout.
    {16200, "The %1 is not a number (%2). Enter one in the object's properties."},
    {16201, "The pipeline's diameter is %1; it must be greater than %2."},
    {16202, "The leak's diameter is %1; it must be greater than %2."},
    {16203, "The leak's diameter of %1 is larger than the inner diameter of its pipeline, %2."},
    {16204,
     "The leak lies %1 from the upstream end of its pipeline; it must lie between %2 and %3 on "
     "this pipeline."},
    {16205,
     "The network needs %1 computational sections, more than the %2 the discharge model can take. "
     "Use fewer or shorter pipelines: each pipeline of %3 or more takes %4 sections."},
    {16206, "The pipeline's roughness of %1 is more than half its diameter, %2."},
    {16207, "The pipeline's roughness is %1; it must not be negative."},
    {16208,
     "The leak's back pressure of %1 is below %2. Open the Leakage Properties and press OK to set "
     "it from the water depth."},
    {16209,
     "The discharge run's end time of %1 lies outside %2 to %3. Change it in Discharge Setup."},
    {16210,
     "The leak's diameter of %1 is smaller than %2, the smallest hole the discharge model opens."},
    {16270, "at least %1"},
    {16271, "%1 (the run stopped)"},
    {16211,
     "The %1 of %2 lies outside %3 to %4, the temperatures the fluid's property tables serve."},
    {16212, "The outlet's pressure of %1 must be at least %2 and below %3."},
    {16213, "The pipeline's diameter of %1 is larger than %2: no subsea line is that wide."},
    {16214, "The pipeline's length of %1 is more than %2: no subsea line is that long."},
    {16221,
     "The leak's back pressure of %1 is above %2, the highest pressure the fluid's property "
     "tables serve."},
    // The near-field model's own texts.
    {16215,
     "The plume model leaves out gas dissolution and hydrate formation, which matter at leak "
     "depths below 500 m."},
    {16216, "The start date of the Ulv/5 file is not a date."},
    // Refusals of the pipeline-database sink.
    {16217, "The pipeline's %1 %2 is not a normal single-precision number in range."},
    {16218, "The pipeline's %1 %2 is not above 0."},
    {16219, "The pipeline's %1 %2 is below %3."},
    {16220, "The pipeline's name is longer than %1 characters."},
    // A run that failed on a pressure beyond the fluid's tables.
    {16290,
     "The flow of inlet \"%1\" (%2) needs a pressure beyond what the fluid description covers. "
     "Check the inlet rates and the fluid."},
    // A run whose line rose above any pipeline's pressure.
    {16330,
     "The flow of inlet \"%1\" (%2) drives the line's pressure above what any pipeline carries: "
     "the results are not those of a real line. Check the inlet rates."},
    // Which fluid description the runs use, in the fluid dialogs.
    {16291, "The discharge runs use this black oil."},
    {16292,
     "The discharge runs use the gas composition. OK keeps these values for later; check the box "
     "to use this black oil instead."},
    {16293, "The discharge runs use this gas composition."},
    {16299, "Enter a number above 0 and at most %1."},
    {16294,
     "The discharge runs use the black oil. OK keeps this composition for later; check the box to "
     "use it instead."},
    // A run's result files.
    {16280,
     "The scenario %1 is being calculated by another run (another window or program). Only one "
     "run at a time can write its results; try again when that run has finished."},
    {16281, "The results of the scenario %1 cannot be written: %2."},
    {16282,
     "The results of the scenario %1 cannot be put in place: %2. The previous results are kept "
     "whole."},
    {16283,
     "The results of the scenario %1 cannot be put in place: %2. The previous results could not "
     "all be put back (%3): the files beside the scenario are a mix of two runs until the "
     "scenario is next opened or run, which puts them back from %4."},
    {16284,
     "An earlier run of the scenario %1 was stopped while it put its results in place, and they "
     "could not be completed: %2. The files beside the scenario may be a mix of two runs; %3 "
     "keeps what is needed to complete them."},
    {16288,
     "The run folder %2 of the scenario %1 was refused and left as it is: %3. Nothing in it was "
     "used; the scenario cannot be run while the folder is there."},
    {16289,
     "The results of the scenario %1 cannot be put in place: %2. Putting the previous results "
     "back could not be recorded (%3), so nothing was put back: the files beside the scenario "
     "are a mix of two runs until the scenario is next opened or run, which completes the new "
     "results from %4."},
    {16279,
     "The results of the scenario %1 are in place but not yet safely on the disk: %2. The "
     "next opening or run of the scenario flushes them again from %3."},
    {16285, "The branch-name file could not be written: %1."},
    {16286,
     "The discharge result is outdated or missing. Calculate the discharge again to plot it."},
    {16287,
     "The nearfield result is outdated or missing. Calculate the nearfield again to plot it."},
    {16230, "%1 was not opened: one of its branches holds %2 Pipeline segments."},
    // Values the user has to enter or confirm before a run.
    {16240,
     "%4: the %1 (%2) could not be read when the scenario was opened; it holds %3, which was "
     "put in its place. Enter the value in the object's dialog, or confirm this one with OK "
     "there."},
    {16241,
     "%3: the inlet's flow rate was entered for the other fluid, and it means another quantity "
     "for %1: it now reads %2. Enter the rate in the inlet's dialog, or confirm it with OK "
     "there."},
    {16243,
     "The fluid's %1 could not be read when the scenario was opened, and a default was put in "
     "its place. Enter the value in the %2 dialog, or confirm this one with OK there."},
    {16244,
     "The discharge run's %1 (%2) could not be read when the scenario was opened, and a default "
     "was put in its place. Enter it in the Discharge Setup dialog, or confirm it with OK there."},
    {16242,
     "The discharge runs will use %1. An inlet's flow rate means another quantity for each "
     "fluid: on OK every inlet's rate is marked as not yet entered, and Verify Layout and the "
     "runs refuse until each is entered or confirmed with OK in the inlet's dialog."},
    {16245, "The nearfield model's %1 of %2 lies outside %3 to %4."},
    {16246, "The nearfield model's %1 of %2 must be above %3 and at most %4."},
    {16247,
     "The plume uses the smoothing, and for the Ulv/5 file the water temperature and the start "
     "time. The ambient data, current, tracking, time step, output and snapshot settings and the "
     "hydrate and ocean diffusion options are recorded with the scenario and reported, but do "
     "not change the plume."},
    {16248, "%1 was not opened: it holds %2 objects, more than the %3 a scenario file may hold."},
    {16250, "%1: A Pipeline object must be connected to a non-Pipeline object at both endpoints."},
    {16251, "%1: A Junction object should connect at least 3 branches (Pipelines)."},
    // The near-field prompts that mirror 16156 and 16196 for the plume model.
    {16157, "You must save the scenario before you can run the Nearfield Model! Save now?"},
    {16158,
     "You must confirm the Nearfield settings by pressing OK in the Nearfield Setup dialog box!"},
    {16260, "The nearfield calculation has finished. Files written:\n%1"},
    // Command prompts.
    {ID_FILE_NEW, "Create a new scenario\nNew"},
    {ID_FILE_OPEN, "Open an existing scenario\nOpen"},
    {ID_FILE_CLOSE, "Close the active scenario\nClose"},
    {ID_FILE_SAVE, "Save the active scenario\nSave"},
    {ID_FILE_SAVE_AS, "Save the active scenario with a new name\nSave As"},
    {ID_FILE_PRINT, "Print the active window\nPrint"},
    {ID_FILE_PRINT_DIRECT, "Print the active window using current options\nQuick Print"},
    {ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
    {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
    {ID_EDIT_CLEAR, "Delete the selected element(s)\nDelete"},
    {ID_WINDOW_NEW, "Open another window for the active scenario\nNew Window"},
    {ID_WINDOW_CASCADE, "Arrange windows so they overlap\nCascade Windows"},
    {ID_WINDOW_TILE_HORZ, "Arrange windows as non-overlapping tiles\nTile Windows"},
    {ID_WINDOW_NEXT, "Switch to the next window\nNext Window"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application; prompts to save scenarios\nExit"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    {ID_TOOL_SELECT, "Select an object for modification\nSelect"},
    {ID_TOOL_PIPELINE, "Add a pipeline segment or raiser to the diagram\nPipeline"},
    {ID_TOOL_PIPEJOIN, "Add a connection point to join 2 pipeline segments\nPipe connection"},
    {ID_TOOL_JUNCTION,
     "Add a junction point where 3 or more pipeline branches meet\nPipe junction"},
    {ID_TOOL_INLET, "Add a flow inlet point\nFlow inlet"},
    {ID_TOOL_OUTLET, "Add an outlet point\nFlow outlet"},
    {ID_TOOL_LEAKAGE, "Mark a leakage point\nLeakage location"},
    {ID_TOOL_TEXT, "Add a commentary text\nText"},
    {ID_OBJECT_FROM_DATABASE, "Add objects from pipeline database\nAdd Objects"},
    {ID_OBJECT_PROPERTIES, "Edit the properties of the selected object\nObject properties"},
    {ID_OBJECT_TO_BACK, "Lower the selected object(s) behind all others"},
    {ID_OBJECT_TO_FRONT, "Rise the selected object(s) in front of all others"},
    {ID_VIEW_ZOOM, "Specify magnification level of the diagram\nZoom Diagram"},
    {ID_VIEW_ZOOM_IN, "Increase magnification level of the diagram\nZoom In"},
    {ID_VIEW_ZOOM_OUT, "Decrease magnification level of the diagram\nZoom Out"},
    {ID_WINDOW_NEW_SUMMARY, "Open a summary view for the active scenario\nSummary View"},
    {ID_SCENARIO_VERIFY, "Check the network for problems\nVerify Layout"},
    {ID_SCENARIO_CALC_DISCHARGE, "Run the discharge model\nCalculate Discharge"},
    {ID_SCENARIO_CALC_NEARFIELD,
     "Run the nearfield model on the discharge results\nCalculate Nearfield"},
    {ID_SCENARIO_CALC_ALL, "Run the discharge model and then the nearfield model\nCalculate All"},
    {ID_SCENARIO_FLUID, "Edit the black-oil fluid properties\nFluid Properties"},
    {ID_SCENARIO_GAS_COMPOSITION, "Edit the gas composition\nGas Composition"},
    {ID_SCENARIO_DISCHARGE_SETUP, "Edit the discharge model parameters\nDischarge Setup"},
    {ID_SCENARIO_NEARFIELD_SETUP, "Edit the nearfield model parameters\nNearfield Setup"},
    {ID_RESULT_DISCHARGE, "Show the discharge summary\nDischarge Summary"},
    {ID_RESULT_RELEASE_PLOT, "Plot the discharge results\nRelease Plot"},
    {ID_RESULT_NEARFIELD_PLOT, "Plot the nearfield results\nNearfield Plot"},
    {ID_APP_OPTIONS, "Change the program's settings\nOptions"},
    {ID_VIEW_SCENARIO_BAR, "Show or hide the scenario toolbar\nToggle Scenario Bar"},
    {ID_EDIT_COPY_ALL, "Copy the whole report to the Clipboard\nCopy All"},
};

const QHash<int, QString>& table() {
    static const QHash<int, QString> strings = [] {
        QHash<int, QString> h;
        for (const StringEntry& e : kStrings) h.insert(e.id, QString::fromUtf8(e.text));
        return h;
    }();
    return strings;
}

}  // namespace

QString AfxLoadString(int id) { return table().value(id); }

bool AfxHasString(int id) { return table().contains(id); }

QString AfxFormatText1(QString text, const QString& arg) {
    text.replace(QStringLiteral("%1!s!"), arg);
    text.replace(QStringLiteral("%1"), arg);
    return text;
}

QString AfxFormatString2(int id, const QString& arg1, const QString& arg2) {
    QString text = AfxLoadString(id);
    text.replace(QStringLiteral("%2!s!"), arg2);
    text.replace(QStringLiteral("%2"), arg2);
    return AfxFormatText1(text, arg1);
}

QString AfxFormatString1(int id, const QString& arg) {
    return AfxFormatText1(AfxLoadString(id), arg);
}
