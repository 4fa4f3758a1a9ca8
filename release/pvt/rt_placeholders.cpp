// Stand-ins for the few run-time services the property code uses, until the
// run-time library is linked: each is weak, so the real definition replaces
// it. Unit 6 goes to standard output; other units are not written.
#include <cstdio>
#include <string>
#include <string_view>

#include "rt/fortio.h"

#define RT_PENDING __attribute__((weak))

namespace rt {

RT_PENDING bool write_line(int unit, std::string_view line) {
    if (unit != 6) return false;
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    return true;
}

RT_PENDING std::string fG(double v, int w, int d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%*.*G", w, d, v);
    std::string s = buf;
    if (static_cast<int>(s.size()) > w) s = std::string(w, '*');
    return s;
}

RT_PENDING std::string fixed(std::string_view s, int n) {
    std::string r(s.substr(0, std::min<size_t>(s.size(), n)));
    r.resize(n, ' ');
    return r;
}

RT_PENDING std::string_view trim(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

}  // namespace rt
