#pragma once
// Command, control and resource identifiers of the program. Commands carry
// these numbers as QAction::data(), controls as their objectName, so that
// scripted tests address them the same way the program does.

#include "framework_message_ids.h"

// Framework commands.
enum : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,  // .. ID_FILE_MRU_FILE1 + 8
    ID_EDIT_CLEAR = 57632,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_WINDOW_NEW = 57648,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_WINDOW_NEXT = 57652,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

// Tools of the scenario view (the Object menu and the Scenario Bar).
enum : int {
    ID_TOOL_SELECT = 34100,
    ID_TOOL_PIPELINE = 34101,
    ID_TOOL_PIPEJOIN = 34102,
    ID_TOOL_JUNCTION = 34103,
    ID_TOOL_INLET = 34104,
    ID_TOOL_OUTLET = 34105,
    ID_TOOL_LEAKAGE = 34106,
    ID_TOOL_TEXT = 34108,
    ID_OBJECT_PROPERTIES = 34109,
    ID_OBJECT_TO_BACK = 34121,
    ID_OBJECT_TO_FRONT = 34122,
    ID_OBJECT_FROM_DATABASE = 34138,
    ID_VIEW_ZOOM = 34135,
    ID_VIEW_ZOOM_IN = 34136,
    ID_VIEW_ZOOM_OUT = 34137,
};

// Scenario and Result commands of the document, application commands.
enum : int {
    ID_SCENARIO_VERIFY = 34115,
    ID_SCENARIO_CALC_DISCHARGE = 34116,
    ID_SCENARIO_CALC_NEARFIELD = 34117,
    ID_SCENARIO_CALC_ALL = 34118,
    ID_SCENARIO_FLUID = 34119,
    ID_SCENARIO_NEARFIELD_SETUP = 34120,
    ID_APP_OPTIONS = 34124,
    ID_RESULT_DISCHARGE = 34125,
    ID_RESULT_RELEASE_PLOT = 34126,
    ID_VIEW_SCENARIO_BAR = 34129,
    ID_SCENARIO_DISCHARGE_SETUP = 34131,
    ID_WINDOW_NEW_SUMMARY = 34132,
    ID_EDIT_COPY_ALL = 34133,
    ID_RESULT_NEARFIELD_PLOT = 34134,
    ID_SCENARIO_GAS_COMPOSITION = 34139,
};

// Resources: menus, toolbars, templates and dialogs.
enum : int {
    IDR_MAINFRAME = 600,
    IDR_SCENARIO = 601,
    IDR_CONTEXT_MENU = 602,
    IDR_REPORT = 604,
    IDD_ABOUTBOX = 606,
    IDD_ZOOM = 619,
};

// Message-box flags and answers.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_TYPEMASK = 0xF,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDRETRY = 4, IDYES = 6, IDNO = 7 };
