// The scenario file: the drawn network and the program's model sections.
#pragma once

#include <libxml/tree.h>

struct diagram_data;

// One model section under "models". A null user_data ends a table.
struct FileSection {
    void* user_data;
    const char* name;
    void (*save)(void* user_data, xmlNodePtr section);
    void (*load)(void* user_data, xmlNodePtr section);
};

// The namespace of the file's own elements (prefix "zef").
extern const char* const ZEF_NAMESPACE_URI;

// 1 on success. The old file is never lost: written to a temporary file in
// the target's folder first; with backup the previous version goes to "name~".
// A failure is reported through message_error with the file, the step that
// failed and the system's reason.
int diagram_file_save(diagram_data* data, const char* filename, int backup,
                      const FileSection* sections);
// The same in two steps, for a caller that writes on another thread: the
// document is built from the diagram and its sections on the diagram's
// thread (null when it cannot be), then written, flushed and put in place
// on any thread. The write takes the document (freed on every way out) and
// tells no message sink: a failure is 0 with its text in *error (the file,
// the step and the system's reason; g_free it).
xmlDocPtr diagram_file_build(diagram_data* data, const char* filename, const FileSection* sections);
int diagram_file_write(xmlDocPtr doc, const char* filename, int backup, char** error);
// Test seam: the function that renames files while saving (null: rename(2)).
typedef int (*file_rename_fn)(const char* from, const char* to);
void diagram_file_set_rename_function(file_rename_fn fn);
// A check of the parsed file before any of its objects is made, so that a
// file the program could never use is refused before the cost of reading it
// in: 0 refuses the file (the check has shown why). Null: no check.
typedef int (*file_check_fn)(xmlNodePtr root, const char* filename);
void diagram_file_set_check(file_check_fn fn);
// 1 on success; `data` is a fresh diagram from diagram_data_create.
int diagram_file_load(const char* filename, diagram_data* data, const FileSection* sections);
