// Free-format reading of deck records, one record per read.
//
// A read takes its values from one record only: a record that holds fewer
// values than asked for fails, and the unit is left before it, so that the
// caller can report or re-read the line. Values: integers, reals (also with
// a D exponent), texts (quoted or bare); blanks and commas separate them,
// r*v repeats a value, a slash ends the record's values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rel::deck {

// Longest record a deck may hold; a longer one is refused as malformed.
constexpr int MXREC = 400;

enum class Kind { Int, Real, Text };

// One value to read: where it goes and what it is.
struct Slot {
    Kind kind;
    void* dst;
    int len = 6;  // characters of a text slot
};
inline Slot as_int(int32_t& v) { return {Kind::Int, &v}; }
inline Slot as_real(float& v) { return {Kind::Real, &v}; }
inline Slot as_text(char* v, int len) { return {Kind::Text, v, len}; }

// Splits a record into its values; false when it is malformed (an open quote,
// a bad repeat count, an empty value between two commas).
bool split_record(std::string_view rec, std::vector<std::string>& items);
bool parse_int(const std::string& s, int32_t& v);
bool parse_real(const std::string& s, float& v);

// One free-format read from the input unit into the slots. On success the
// record is echoed to the log when the echo flag is set. On failure nothing
// is stored and the unit stands before the offending record (at the end of
// the deck it stays where it is).
bool read_rec(const std::vector<Slot>& slots);
// n integers, n reals or n texts of len characters from one record.
bool read_ints(int32_t* v, int n);
bool read_reals(float* v, int n);
bool read_texts(char* v, int n, int len);
// Passes over one record without looking at it; false at the end of the deck.
bool skip_rec();

// The six-character names of the 40 data groups (blank: no group).
extern const char* const GROUP_NAMES[40];

// A message block on the log: two empty lines, then each line indented by
// five blanks.
void report(const std::vector<std::string>& lines);

}  // namespace rel::deck
