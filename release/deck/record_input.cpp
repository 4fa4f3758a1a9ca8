// Free-format reading of deck records.
#include "deck/record_input.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "rt/fortio.h"
#include "run/state.h"

namespace rel::deck {

namespace {

bool is_sep(char c) { return c == ' ' || c == ',' || c == '\t'; }

// Expands r*v into r copies of v; a bare value stays as it is.
bool push_value(std::string tok, bool quoted, std::vector<std::string>& items) {
    if (!quoted) {
        auto star = tok.find('*');
        if (star != std::string::npos && star > 0) {
            int32_t r = 0;
            if (!parse_int(tok.substr(0, star), r) || r < 1 || r > MXREC) return false;
            std::string v = tok.substr(star + 1);
            if (v.empty()) return false;  // r* (null values) is not accepted
            for (int32_t k = 0; k < r; ++k) items.push_back(v);
            return true;
        }
    }
    items.push_back(std::move(tok));
    return true;
}

}  // namespace

bool split_record(std::string_view rec, std::vector<std::string>& items) {
    items.clear();
    size_t i = 0, n = rec.size();
    bool need_value = false;  // a comma was seen and no value has followed it
    while (i < n) {
        char c = rec[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        if (c == ',') {
            if (need_value) return false;  // two commas: a null value
            need_value = true;
            ++i;
            continue;
        }
        if (c == '/') break;
        need_value = false;
        if (c == '\'' || c == '"') {
            char q = c;
            std::string tok;
            ++i;
            bool closed = false;
            while (i < n) {
                if (rec[i] == q) {
                    if (i + 1 < n && rec[i + 1] == q) {
                        tok += q;
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                tok += rec[i++];
            }
            if (!closed) return false;
            if (i < n && !is_sep(rec[i]) && rec[i] != '/') return false;
            items.push_back(tok);
            continue;
        }
        size_t j = i;
        while (j < n && !is_sep(rec[j]) && rec[j] != '/') ++j;
        if (!push_value(std::string(rec.substr(i, j - i)), false, items)) return false;
        i = j;
    }
    return true;
}

bool parse_int(const std::string& s, int32_t& v) {
    if (s.empty()) return false;
    size_t i = 0;
    if (s[0] == '+' || s[0] == '-') i = 1;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return false;
    errno = 0;
    long long x = std::strtoll(s.c_str(), nullptr, 10);
    if (errno != 0 || x < INT32_MIN || x > INT32_MAX) return false;
    v = static_cast<int32_t>(x);
    return true;
}

bool parse_real(const std::string& s, float& v) {
    if (s.empty()) return false;
    std::string t = s;
    for (char& c : t) {
        if (c == 'd' || c == 'D') c = 'E';
        // only the characters of a number: no inf, nan or hexadecimal forms
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
            return false;
    }
    errno = 0;
    char* end = nullptr;
    double x = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end != '\0' || errno == ERANGE) return false;
    if (x > 3.4028234e38 || x < -3.4028234e38) return false;
    v = static_cast<float>(x);
    return true;
}

bool read_rec(const std::vector<Slot>& slots) {
    const int in = IOUNIT.IUIN;
    std::string rec;
    if (!rt::read_line(in, rec)) return false;
    if (!rec.empty() && rec.back() == '\r') rec.pop_back();
    std::vector<std::string> items;
    bool ok = static_cast<int>(rec.size()) <= MXREC && split_record(rec, items) &&
              items.size() >= slots.size();
    // Convert into temporaries first: a failed read stores nothing.
    std::vector<int32_t> iv(slots.size());
    std::vector<float> fv(slots.size());
    for (size_t k = 0; ok && k < slots.size(); ++k) {
        if (slots[k].kind == Kind::Int)
            ok = parse_int(items[k], iv[k]);
        else if (slots[k].kind == Kind::Real)
            ok = parse_real(items[k], fv[k]);
    }
    if (!ok) {
        rt::backspace(in);
        return false;
    }
    std::string echo = "      ";  // free-format line: its blank, then five more
    for (size_t k = 0; k < slots.size(); ++k) {
        const Slot& s = slots[k];
        if (s.kind == Kind::Int) {
            *static_cast<int32_t*>(s.dst) = iv[k];
            echo += rt::list(static_cast<int>(iv[k]));
        } else if (s.kind == Kind::Real) {
            *static_cast<float*>(s.dst) = fv[k];
            echo += rt::list(fv[k]);
        } else {
            rt::assign(static_cast<char*>(s.dst), s.len, items[k]);
            echo += ' ' + rt::fixed(items[k], s.len);
        }
    }
    if (is_true(IOUNIT.IECHO)) rt::write_line(IOUNIT.IULOG, echo);
    return true;
}

bool read_ints(int32_t* v, int n) {
    std::vector<Slot> s;
    for (int k = 0; k < n; ++k) s.push_back(as_int(v[k]));
    return read_rec(s);
}

bool read_reals(float* v, int n) {
    std::vector<Slot> s;
    for (int k = 0; k < n; ++k) s.push_back(as_real(v[k]));
    return read_rec(s);
}

bool read_texts(char* v, int n, int len) {
    std::vector<Slot> s;
    for (int k = 0; k < n; ++k) s.push_back(as_text(v + k * len, len));
    return read_rec(s);
}

bool skip_rec() {
    std::string rec;
    return rt::read_line(IOUNIT.IUIN, rec);
}

void report(const std::vector<std::string>& lines) {
    const int log = IOUNIT.IULOG;
    rt::write_line(log, "");
    rt::write_line(log, "");
    for (const auto& l : lines) rt::write_line(log, "     " + l);
}

}  // namespace rel::deck
