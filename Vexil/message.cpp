// Message boxes through a replaceable sink, GLib logs, and text conversion.
#include "vexil/message.h"

#include <glib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A text that already begins with its kind ("Warning:\n...") is not
// labelled twice.
void stderr_sink(message_icon icon, const char* text, void*) {
    const char* kind = icon == MESSAGE_ICON_ERROR ? "Error" : "Warning";
    const size_t n = strlen(kind);
    if (strncmp(text, kind, n) == 0 && text[n] == ':')
        fprintf(stderr, "%s\n", text);
    else
        fprintf(stderr, "%s: %s\n", kind, text);
}

message_sink_fn current_sink = stderr_sink;
void* current_sink_data = nullptr;

// One process-wide buffer, grown to a power of two and reused.
char* message_buffer = nullptr;
size_t message_buffer_len = 0;

// Messages held while a file loads.
struct held_message {
    message_icon icon;
    std::string text;
    int count;
};
int hold_depth = 0;
std::vector<held_message> held;
int held_dropped = 0;  // distinct texts beyond the ones kept
bool held_error = false;
const size_t held_kept = 30;

void hold(message_icon icon, const char* text) {
    held_error = held_error || icon == MESSAGE_ICON_ERROR;
    for (held_message& m : held)
        if (m.text == text) {
            m.count++;
            return;
        }
    if (held.size() < held_kept)
        held.push_back({icon, text, 1});
    else
        held_dropped++;
}

const char warning_prefix[] = "Warning:\n";

}  // namespace

void message_hold_begin() { hold_depth++; }

void message_hold_end() {
    if (hold_depth == 0 || --hold_depth > 0) return;
    std::vector<held_message> shown;
    shown.swap(held);
    const int dropped = held_dropped;
    const bool error = held_error;
    held_dropped = 0;
    held_error = false;
    if (shown.empty()) return;
    if (shown.size() == 1 && shown[0].count == 1) {
        current_sink(shown[0].icon, shown[0].text.c_str(), current_sink_data);
        return;
    }
    std::string text = error ? "" : warning_prefix;
    const size_t prefix = strlen(warning_prefix);
    for (size_t i = 0; i < shown.size(); i++) {
        const std::string& t = shown[i].text;
        if (i > 0) text += "\n\n";
        text += t.compare(0, prefix, warning_prefix) == 0 ? t.substr(prefix) : t;
        while (!text.empty() && text.back() == '\n') text.pop_back();
        if (shown[i].count > 1) text += " (" + std::to_string(shown[i].count) + " times)";
    }
    if (dropped > 0) text += "\n\n... and " + std::to_string(dropped) + " other messages";
    current_sink(error ? MESSAGE_ICON_ERROR : MESSAGE_ICON_WARNING, text.c_str(),
                 current_sink_data);
}

message_sink_fn message_set_sink(message_sink_fn sink, void* user_data) {
    message_sink_fn previous = current_sink;
    current_sink = sink ? sink : stderr_sink;
    current_sink_data = sink ? user_data : nullptr;
    return previous;
}

size_t message_buffer_size() { return message_buffer_len; }

size_t next_power_of_two(size_t n) {
    size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

void message_box_show(message_icon icon, const char* format, va_list args) {
    // Measure exactly; the buffer grows by the power-of-two rule and is reused.
    va_list measure;
    va_copy(measure, args);
    int len = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (len < 0) return;
    size_t n = (size_t)len;
    if (!message_buffer || n >= message_buffer_len) {
        g_free(message_buffer);
        size_t want = n + 1 > 1024 ? n + 1 : 1024;
        message_buffer_len = next_power_of_two(want);
        message_buffer = (char*)g_try_malloc(message_buffer_len);
        if (!message_buffer) {
            message_buffer_len = 0;
            return;
        }
    }
    vsnprintf(message_buffer, message_buffer_len, format, args);
    if (hold_depth > 0)
        hold(icon, message_buffer);
    else
        current_sink(icon, message_buffer, current_sink_data);
}

void message_warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    message_box_show(MESSAGE_ICON_WARNING, format, args);
    va_end(args);
}

void message_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    message_box_show(MESSAGE_ICON_ERROR, format, args);
    va_end(args);
}

void message_log_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    // GLib's error level always ends the process; critical is the highest that does not.
    g_logv(nullptr, G_LOG_LEVEL_CRITICAL, format, args);
    va_end(args);
}

void message_log_warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    g_logv(nullptr, G_LOG_LEVEL_WARNING, format, args);
    va_end(args);
}

void message_log_assertion(const char* file, int line, const char* expression) {
    g_log(nullptr, G_LOG_LEVEL_CRITICAL, "file %s: line %d: assertion failed: (%s)", file, line,
          expression);
}

size_t printf_upper_bound(const char* format, va_list args) {
    va_list ap;
    va_copy(ap, args);
    size_t len = 0;
    for (const char* f = format; *f; f++) {
        if (*f != '%') {
            len++;
            continue;
        }
        bool done = false;
        while (!done && *++f) {
            char c = *f;
            switch (c) {
                case '*':
                    len += (size_t)va_arg(ap, int);
                    break;
                case '1':
                case '2':
                case '3':
                case '4':
                case '5':
                case '6':
                case '7':
                case '8':
                case '9': {
                    char* end;
                    len += strtoul(f, &end, 10);
                    f = end - 1;
                    break;
                }
                case 'd':
                case 'i':
                case 'o':
                case 'u':
                case 'x':
                case 'X':
                case 'D':
                case 'O':
                case 'U':
                case 'n':
                case 'p':
                    (void)va_arg(ap, int);
                    len += 32;
                    done = true;
                    break;
                case 'e':
                case 'E':
                case 'f':
                case 'g':
                    (void)va_arg(ap, double);
                    len += 32;
                    done = true;
                    break;
                case 'c':
                    (void)va_arg(ap, int);
                    len += 1;
                    done = true;
                    break;
                case '%':
                    len += 1;
                    done = true;
                    break;
                case 's': {
                    const char* s = va_arg(ap, const char*);
                    len += s ? strlen(s) : 6;
                    done = true;
                    break;
                }
                default:  // flags, '.', 'l', 'h', '0'
                    break;
            }
        }
        if (!*f) break;
    }
    va_end(ap);
    return len;
}

char* text_locale_to_utf8(const char* text) {
    if (!text) return nullptr;
    if (g_utf8_validate(text, -1, nullptr)) return g_strdup(text);
    return g_locale_to_utf8(text, -1, nullptr, nullptr, nullptr);
}

char* text_utf8_to_locale(const char* text) {
    if (!text) return nullptr;
    // The program keeps UTF-8 inside; only invalid text is refused.
    if (g_utf8_validate(text, -1, nullptr)) return g_strdup(text);
    return nullptr;
}
