// The error channel of the library's routines.
//
// Routines that can refuse take IERR and the message text (MSGLEN characters,
// blank-padded). Failures deep inside a step, which have no error flag to set
// and must never end the process, throw RunFailure; the exports catch it once
// and turn it into IERR 1 and its message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rel {

// Length of every message text: the exports write exactly this many characters.
constexpr int32_t MSGLEN = 256;

struct RunFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// MSG = text, blank-padded or cut to len characters.
inline void setmsg(char* MSG, int32_t len, std::string_view text) {
    const int32_t n =
        len > 0 && text.size() < static_cast<size_t>(len) ? static_cast<int32_t>(text.size()) : len;
    for (int32_t i = 0; i < n; ++i) MSG[i] = text[static_cast<size_t>(i)];
    for (int32_t i = n > 0 ? n : 0; i < len; ++i) MSG[i] = ' ';
}

// IERR = 1 and MSG = text.
inline void refuse(int32_t& IERR, char* MSG, int32_t len, std::string_view text) {
    IERR = 1;
    setmsg(MSG, len, text);
}

// The message without its trailing blanks.
inline std::string msgtext(const char* MSG, int32_t len) {
    int32_t n = len;
    while (n > 0 && (MSG[n - 1] == ' ' || MSG[n - 1] == '\0')) --n;
    return std::string(MSG, n);
}

}  // namespace rel
