// Error and warning messages of the diagram library, the GLib log, and text
// conversion between the process's code page and UTF-8.
//
// Every message box of the library goes through one replaceable sink: the
// program shows a dialog, tests capture the text, and by default the text
// goes to the standard error stream.
#pragma once

#include <cstdarg>
#include <cstddef>

enum message_icon {
    MESSAGE_ICON_WARNING = 1,  // exclamation
    MESSAGE_ICON_ERROR = 2,    // stop
};

typedef void (*message_sink_fn)(message_icon icon, const char* text, void* user_data);

// Installs a sink (null restores the default stderr sink). Returns the previous one.
message_sink_fn message_set_sink(message_sink_fn sink, void* user_data);

void message_box_show(message_icon icon, const char* format, va_list args);
// Between begin and end (nested pairs count once) the messages are held and
// then shown as one: a file load asks the user at most once. Repeated texts
// are shown once with their count; the icon is the stop icon when any held
// message was an error.
void message_hold_begin();
void message_hold_end();
void message_warning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void message_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
// GLib log without domain; the error level goes out as critical (never fatal).
void message_log_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
void message_log_warning(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Size of the shared format buffer (0 before the first message).
size_t message_buffer_size();

// An estimate of the formatted length (kept as a utility; not used to size buffers).
size_t printf_upper_bound(const char* format, va_list args);
size_t next_power_of_two(size_t n);

// Text is UTF-8 inside: valid UTF-8 passes unchanged; other text is taken as
// being in the locale's character set. Null gives null. The caller g_free()s.
char* text_locale_to_utf8(const char* text);
char* text_utf8_to_locale(const char* text);

// Logs an internal consistency failure in the library's own format
// ("file %s: line %d: assertion failed: (%s)") at critical level.
void message_log_assertion(const char* file, int line, const char* expression);
