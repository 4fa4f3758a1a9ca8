// Message boxes, their buffer, log levels and text conversion.
#include "support.h"

#include <cstdarg>

namespace {

size_t bound(const char* format, ...) {
    va_list args;
    va_start(args, format);
    size_t n = printf_upper_bound(format, args);
    va_end(args);
    return n;
}

TEST(Message, sink_receives_exact_text_and_icon) {
    MessageCapture cap;
    message_error("Couldn't open: '%s' for reading.\n", "x.zef");
    message_warning("w%d", 7);
    ASSERT_EQ(cap.messages.size(), 2u);
    EXPECT_EQ(cap.messages[0].text, "Couldn't open: 'x.zef' for reading.\n");
    EXPECT_EQ(cap.messages[0].icon, MESSAGE_ICON_ERROR);
    EXPECT_EQ(cap.messages[1].text, "w7");
    EXPECT_EQ(cap.messages[1].icon, MESSAGE_ICON_WARNING);
}

TEST(Message, buffer_grows_to_power_of_two_and_is_reused) {
    MessageCapture cap;
    message_error("short");
    EXPECT_GE(message_buffer_size(), 1024u);
    std::string big(5000, 'x');
    message_error("%s", big.c_str());
    EXPECT_EQ(message_buffer_size(), 8192u);
    message_error("short again");
    EXPECT_EQ(message_buffer_size(), 8192u);
    EXPECT_EQ(cap.messages[1].text, big);
    // A real formatted far longer than any estimate of a conversion.
    message_error("%f", 1e300);
    EXPECT_EQ(cap.messages.back().text.size(), 308u);
}

TEST(Message, printf_upper_bound_and_next_power_of_two) {
    EXPECT_EQ(bound("%d items", 3), 38u);
    EXPECT_EQ(bound("%5d", 3), 37u);
    EXPECT_EQ(bound("%s", (const char*)nullptr), 6u);
    EXPECT_EQ(bound("%s!", "abc"), 4u);
    EXPECT_EQ(next_power_of_two(0), 1u);
    EXPECT_EQ(next_power_of_two(1024), 1024u);
    EXPECT_EQ(next_power_of_two(1025), 2048u);
}

TEST(Message, error_log_is_not_fatal) {
    LogCapture logs;
    message_log_error("Error parsing point.");
    message_log_warning("w");
    ASSERT_EQ(logs.lines.size(), 2u);
    EXPECT_EQ(logs.lines[0], "Error parsing point.");
}

TEST(Message, utf8_text_passes_unchanged_and_null_gives_null) {
    char* a = text_locale_to_utf8("\xc3\xb8-line 4\xc2\xb0");
    EXPECT_STREQ(a, "\xc3\xb8-line 4\xc2\xb0");
    g_free(a);
    char* b = text_utf8_to_locale("\xc3\xb8");
    EXPECT_STREQ(b, "\xc3\xb8");
    g_free(b);
    EXPECT_EQ(text_locale_to_utf8(nullptr), nullptr);
    EXPECT_EQ(text_utf8_to_locale(nullptr), nullptr);
}

// Held messages (a file load) come out as one when the outermost hold ends:
// a lone message unchanged, repeats once with their count, the stop icon when
// any was an error, and a bounded number of distinct texts.
TEST(Message, held_messages_come_out_as_one) {
    struct Case {
        const char* name;
        std::vector<std::pair<bool, std::string>> shown;  // error?, text
        std::string expected;                             // empty: nothing shown
        message_icon icon;
    } cases[] = {
        {"none", {}, "", MESSAGE_ICON_WARNING},
        {"one",
         {{true, "Error reading diagram file\n"}},
         "Error reading diagram file\n",
         MESSAGE_ICON_ERROR},
        {"warnings",
         {{false, "Warning:\nA"}, {false, "Warning:\nB"}, {false, "Warning:\nA"}},
         "Warning:\nA (2 times)\n\nB",
         MESSAGE_ICON_WARNING},
        {"a warning and errors",
         {{false, "Warning:\nA"},
          {true, "Error reading diagram file\n"},
          {true, "Error reading diagram file\n"}},
         "A\n\nError reading diagram file (2 times)",
         MESSAGE_ICON_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCapture cap;
        message_hold_begin();
        message_hold_begin();  // nested: only the outermost end shows
        for (const auto& [error, text] : c.shown)
            error ? message_error("%s", text.c_str()) : message_warning("%s", text.c_str());
        message_hold_end();
        EXPECT_TRUE(cap.messages.empty());
        message_hold_end();
        if (c.expected.empty()) {
            EXPECT_TRUE(cap.messages.empty());
            continue;
        }
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_EQ(cap.messages[0].text, c.expected);
        EXPECT_EQ(cap.messages[0].icon, c.icon);
    }
    MessageCapture cap;
    message_hold_begin();
    for (int i = 0; i < 1000; i++) message_warning("Warning:\nvalue %d", i);
    message_hold_end();
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_TRUE(g_str_has_suffix(cap.messages[0].text.c_str(),
                                 "\n\nvalue 29\n\n... and 970 other messages"));
}

}  // namespace
