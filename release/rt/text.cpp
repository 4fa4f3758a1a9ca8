// Fixed-length texts: blank padding, cutting, trimming and comparison as the
// language does them.
#include "rt/fortio.h"

namespace rt {

std::string fixed(std::string_view s, int n) {
    if (n <= 0) return {};
    std::string r(s.substr(0, static_cast<std::size_t>(n)));
    r.resize(static_cast<std::size_t>(n), ' ');
    return r;
}

void assign(char* dst, int n, std::string_view s) {
    for (int i = 0; i < n; ++i) dst[i] = i < static_cast<int>(s.size()) ? s[i] : ' ';
}

std::string_view trim(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

int len_trim(std::string_view s) { return static_cast<int>(trim(s).size()); }

bool text_eq(std::string_view a, std::string_view b) {
    std::size_t n = a.size() > b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        char ca = i < a.size() ? a[i] : ' ';
        char cb = i < b.size() ? b[i] : ' ';
        if (ca != cb) return false;
    }
    return true;
}

}  // namespace rt
