#pragma once
// Ids 61705..61716: the messages of the framework layer (dialog exchange,
// documents, commands), texts in the string table.

enum : int {
    AFX_IDP_COMMAND_FAILURE = 61705,
    AFX_IDP_ASK_TO_SAVE = 61706,
    AFX_IDP_FAILED_TO_OPEN_DOC = 61707,
    AFX_IDP_FAILED_TO_SAVE_DOC = 61708,
    AFX_IDP_NO_PRINTER = 61709,
    AFX_IDP_FAILED_TO_START_PRINT = 61710,
    AFX_IDP_PARSE_INT = 61712,
    AFX_IDP_PARSE_REAL = 61713,
    AFX_IDP_PARSE_INT_RANGE = 61714,
    AFX_IDP_PARSE_REAL_RANGE = 61715,
    AFX_IDP_PARSE_STRING_SIZE = 61716,
};
