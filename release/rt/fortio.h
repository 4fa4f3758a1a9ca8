// The library's run-time services: numbered text units, formatted output
// with Fortran edit descriptors, list-directed output, fixed-length texts
// and processor time.
//
// Nothing here ends the process: every operation that can fail says so in
// its result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

// ---------------------------------------------------------------- units
// Unit 6 is the process's standard output and is always open.
// Opening with status "UNKNOWN" creates the file or writes it from the start.
// Returns false (and a reason in *why when given) when the file cannot be opened.
bool open_unit(int unit, const std::string& path, std::string* why = nullptr);
// Opens an existing file for reading (status "OLD").
bool open_unit_read(int unit, const std::string& path, std::string* why = nullptr);
bool is_open(int unit);
// Writes one record (a newline is appended). False when the write failed or
// the unit is neither open nor held (see hold_unit). A unit that failed once
// keeps failing until it is closed.
bool write_line(int unit, std::string_view line);
// Flushes and closes; false when anything written to the unit was lost.
// Closing a unit that is not open is a no-op that returns true.
bool close_unit(int unit);
// Closes every unit except 6 and forgets held lines; the state of a new run.
void reset_units();
// Lines written to a held unit before it opens are kept and written first
// when it opens (the run log before RELEASE opens its file).
void hold_unit(int unit);
// Reads one record without its newline; false at end of file or on error.
bool read_line(int unit, std::string& line);
// Steps the unit back by one record (the last one read).
bool backspace(int unit);

// ---------------------------------------------------------------- editing
// Each returns exactly w characters (asterisks when the value does not fit),
// following the Fortran rules for the descriptor.
std::string fI(long long v, int w);            // Iw
std::string fF(double v, int w, int d);        // Fw.d
std::string fE(double v, int w, int d);        // Ew.d (two-digit exponent)
std::string fG(double v, int w, int d);        // Gw.d
std::string fA(std::string_view s, int w);     // Aw: cut or left-aligned, blank-padded
std::string fX(int n);                          // nX: n blanks

// List-directed output of one record: a leading blank, then each item as the
// run-time writes it free-format (integers as I, reals as G-like), separated
// by blanks.
std::string list_item(long long v);
std::string list_item(double v);
std::string list_item(float v);
std::string list_item(std::string_view s);
template <class... Ts>
std::string list(const Ts&... items) {
    std::string s;
    ((s += ' ', s += list_item(items)), ...);
    return s;
}

// ---------------------------------------------------------------- texts
// Fixed-length text assignment: s cut or blank-padded to n characters.
std::string fixed(std::string_view s, int n);
// Copies s into dst[0..n), blank-padded or cut.
void assign(char* dst, int n, std::string_view s);
// Text without trailing blanks.
std::string_view trim(std::string_view s);
// Fixed-length comparison (blank-padded to the longer).
bool text_eq(std::string_view a, std::string_view b);

// ---------------------------------------------------------------- time
// Processor time used by the process so far, s.
float cputime();

}  // namespace rt
