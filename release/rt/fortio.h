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
#include <type_traits>

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
// Why an output unit lost what was written to it: "PATH: reason" (the
// system's words), for an open unit that failed and, after a close_unit that
// returned false, for that unit until it is opened again; empty otherwise.
std::string unit_failure(int unit);
// Closes every unit except 6 and forgets held lines; the state of a new run.
void reset_units();
// Lines written to a held unit before it opens are kept and written first
// when it opens (the run log before RELEASE opens its file).
void hold_unit(int unit);
// Reads one record without its newline; false at end of file or on error.
bool read_line(int unit, std::string& line);
// Steps the unit back by one record (the last one read). After a read that
// met the end of the file, the first backspace steps back over the end only,
// as the language's BACKSPACE does.
bool backspace(int unit);
// The operating-system descriptor behind an open file unit, -1 when none
// (diagnostics and tests).
int unit_descriptor(int unit);

// ---------------------------------------------------------------- editing
// Each returns exactly w characters (asterisks when the value does not fit),
// following the Fortran rules for the descriptor: values are rounded to
// nearest (ties to even on the exact binary value), a negative value keeps
// its minus sign even when it rounds to zero, the zero before the decimal
// point is dropped when only that makes the value fit, infinities and NaN
// are written as "Infinity"/"Inf"/"NaN".
// I and F take w = 0 as "as narrow as the value needs" (I0, F0.d).
std::string fI(long long v, int w);         // Iw
std::string fF(double v, int w, int d);     // Fw.d
std::string fE(double v, int w, int d);     // Ew.d: 0.ddddE+xx; exponents of
                                            // three digits drop the E (0.dd+100)
std::string fG(double v, int w, int d);     // Gw.d: Fw-4.(d-s) and 4 blanks inside
                                            // 0.1 <= |v| < 10**d (after rounding),
                                            // Ew.d outside; zero as F(w-4).(d-1)
std::string fA(std::string_view s, int w);  // Aw: the first w characters, or right-
                                            // aligned after w-len blanks; w <= 0: s
std::string fX(int n);                      // nX: n blanks

// List-directed output of one record, in the look of the gfortran run-time:
// each item is preceded by one blank (so the record begins with one), except
// a text directly following a text. Items:
//   int (INTEGER*4)        I11                          "           5"
//   long, long long        I20 (INTEGER*8)
//   float (REAL*4)         9 significant digits, G16.9-like with the E form
//                          as 1PE16.8:                  "  3.00000000    ",
//                                                       "  9.99999975E-06"
//   double (REAL*8)        17 significant digits, G25.17-like, E form 1PE25.16E3
//   text                   as it is, trailing blanks kept
// Pass a float where the value is a REAL*4 quantity held in a double.
std::string list_item(int v);
std::string list_item(long v);
std::string list_item(long long v);
std::string list_item(double v);
std::string list_item(float v);
std::string list_item(std::string_view s);
template <class... Ts>
std::string list(const Ts&... items) {
    std::string s;
    bool prev_text = false;
    auto add = [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        constexpr bool text = std::is_convertible_v<const T&, std::string_view>;
        if (!(text && prev_text)) s += ' ';
        if constexpr (text)
            s += list_item(std::string_view(x));
        else
            s += list_item(x);
        prev_text = text;
    };
    (add(items), ...);
    (void)add;  // a record with no items
    return s;
}

// ---------------------------------------------------------------- texts
// Fixed-length text assignment: s cut or blank-padded to n characters.
std::string fixed(std::string_view s, int n);
// Copies s into dst[0..n), blank-padded or cut.
void assign(char* dst, int n, std::string_view s);
// Text without trailing blanks.
std::string_view trim(std::string_view s);
// Length without trailing blanks.
int len_trim(std::string_view s);
// Fixed-length comparison (blank-padded to the longer).
bool text_eq(std::string_view a, std::string_view b);

// ---------------------------------------------------------------- time
// Processor time used by the process so far, s.
float cputime();

}  // namespace rt
