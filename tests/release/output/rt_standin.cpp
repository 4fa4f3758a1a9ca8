// Weak stand-ins for the run-time services the output tests use, so that the
// tests link while the run-time library is built elsewhere. Any real (strong)
// definition linked into the test binary takes their place.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "rt/fortio.h"

#define STANDIN __attribute__((weak))

namespace rt {
namespace {
struct Unit {
    std::FILE* f = nullptr;
    bool failed = false;
};
std::map<int, Unit>& units() {
    static std::map<int, Unit> u;
    return u;
}
std::map<int, std::vector<std::string>>& held() {
    static std::map<int, std::vector<std::string>> h;
    return h;
}
std::string exp_form(double v, int w, int d) {
    // 0.ddddE+xx with d digits
    if (v == 0.0) {
        std::string s = "0." + std::string(d, '0') + "E+00";
        return s.size() > static_cast<size_t>(w) ? std::string(w, '*') : std::string(w - s.size(), ' ') + s;
    }
    double a = std::fabs(v);
    int e = static_cast<int>(std::floor(std::log10(a))) + 1;
    double m = a / std::pow(10.0, e);
    long long digits = std::llround(m * std::pow(10.0, d));
    if (digits >= static_cast<long long>(std::pow(10.0, d))) { digits /= 10; ++e; }
    if (digits < static_cast<long long>(std::pow(10.0, d - 1))) { digits *= 10; --e; }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s0.%0*lldE%c%02d", v < 0 ? "-" : "", d, digits, e < 0 ? '-' : '+',
                  std::abs(e));
    std::string s = buf;
    return s.size() > static_cast<size_t>(w) ? std::string(w, '*') : std::string(w - s.size(), ' ') + s;
}
}  // namespace

STANDIN bool open_unit(int unit, const std::string& path, std::string* why) {
    close_unit(unit);
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) { if (why) *why = "cannot open " + path; return false; }
    units()[unit] = Unit{f, false};
    auto h = held().find(unit);
    if (h != held().end()) {
        for (auto& l : h->second) write_line(unit, l);
        held().erase(h);
    }
    return true;
}
STANDIN bool is_open(int unit) { return unit == 6 || units().count(unit) != 0; }
STANDIN bool write_line(int unit, std::string_view line) {
    if (unit == 6) { std::fwrite(line.data(), 1, line.size(), stdout); std::fputc('\n', stdout); return true; }
    auto it = units().find(unit);
    if (it == units().end()) {
        auto h = held().find(unit);
        if (h == held().end()) return false;
        h->second.emplace_back(line);
        return true;
    }
    Unit& u = it->second;
    if (u.failed) return false;
    if (std::fwrite(line.data(), 1, line.size(), u.f) != line.size() || std::fputc('\n', u.f) == EOF ||
        std::fflush(u.f) != 0)
        u.failed = true;
    return !u.failed;
}
STANDIN bool close_unit(int unit) {
    auto it = units().find(unit);
    if (it == units().end()) return true;
    bool ok = !it->second.failed;
    if (std::fclose(it->second.f) != 0) ok = false;
    units().erase(it);
    return ok;
}
STANDIN void reset_units() {
    while (!units().empty()) close_unit(units().begin()->first);
    held().clear();
}
STANDIN void hold_unit(int unit) { held()[unit]; }
STANDIN bool backspace(int) { return false; }

STANDIN std::string fI(long long v, int w) {
    std::string s = std::to_string(v);
    return s.size() > static_cast<size_t>(w) ? std::string(w, '*') : std::string(w - s.size(), ' ') + s;
}
STANDIN std::string fF(double v, int w, int d) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%#.*f", d, v);
    std::string s = buf;
    if (s.size() > static_cast<size_t>(w) && (s.rfind("0.", 0) == 0)) s.erase(0, 1);
    if (s.size() > static_cast<size_t>(w) && (s.rfind("-0.", 0) == 0)) s.erase(1, 1);
    return s.size() > static_cast<size_t>(w) ? std::string(w, '*') : std::string(w - s.size(), ' ') + s;
}
STANDIN std::string fE(double v, int w, int d) { return exp_form(v, w, d); }
STANDIN std::string fG(double v, int w, int d) {
    if (v == 0.0) return fF(0.0, w - 4, d - 1) + "    ";
    double a = std::fabs(v);
    for (int k = 0; k <= d; ++k) {
        // the value rounded to d significant digits lies in [10^(k-1), 10^k)
        double lo = std::pow(10.0, k - 1) - 0.5 * std::pow(10.0, k - 1 - d);
        double hi = std::pow(10.0, k) - 0.5 * std::pow(10.0, k - d);
        if (a >= lo && a < hi) return fF(v, w - 4, d - k) + "    ";
    }
    return exp_form(v, w, d);
}
STANDIN std::string fA(std::string_view s, int w) { return fixed(s, w); }
STANDIN std::string fX(int n) { return std::string(n, ' '); }
STANDIN std::string fixed(std::string_view s, int n) {
    std::string r(s.substr(0, n));
    r.resize(n, ' ');
    return r;
}
STANDIN void assign(char* dst, int n, std::string_view s) {
    for (int i = 0; i < n; ++i) dst[i] = i < static_cast<int>(s.size()) ? s[i] : ' ';
}
STANDIN std::string_view trim(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}
STANDIN bool text_eq(std::string_view a, std::string_view b) { return trim(a) == trim(b); }

}  // namespace rt
