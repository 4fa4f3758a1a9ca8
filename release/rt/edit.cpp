// Fortran edit descriptors I, F, E, G, A, X and list-directed items.
//
// Digits come from the C library's exact decimal conversion ("%.*f",
// "%.*e"), which rounds the exact binary value to nearest with ties to
// even, as the gfortran run-time does. The choice between the F and E forms
// of G follows the language's interval test, evaluated in double precision.
#include "rt/fortio.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace rt {
namespace {

std::string stars(int w) { return std::string(w > 0 ? w : 0, '*'); }

std::string right(const std::string& body, int w) {
    if (static_cast<int>(body.size()) > w) return stars(w);
    return std::string(w - body.size(), ' ') + body;
}

std::string printf_str(const char* fmt, int prec, double v) {
    int n = std::snprintf(nullptr, 0, fmt, prec, v);
    std::string s(n > 0 ? n : 0, '\0');
    std::snprintf(s.data(), s.size() + 1, fmt, prec, v);
    return s;
}

// 10**k as the run-time computes it: repeated multiplication, negative
// powers as the reciprocal.
double pow10i(int k) {
    double r = 1.0;
    for (int i = 0; i < (k >= 0 ? k : -k); ++i) r *= 10.0;
    return k >= 0 ? r : 1.0 / r;
}

// Infinity and NaN in a field of w characters.
std::string infnan(double v, int w) {
    if (w <= 0) w = std::isnan(v) ? 3 : (std::signbit(v) ? 4 : 3);
    if (std::isnan(v)) return right("NaN", w);
    bool neg = std::signbit(v);
    if (neg) {
        if (w >= 9) return right("-Infinity", w);
        if (w >= 4) return right("-Inf", w);
        return stars(w);
    }
    if (w >= 8) return right("Infinity", w);
    if (w >= 3) return right("Inf", w);
    return stars(w);
}

// Ew.d with an exponent field of e digits; scale 1 puts one digit before
// the decimal point (1P), scale 0 writes 0.ddd.
std::string edit_e(double v, int w, int d, int e, int scale) {
    if (!std::isfinite(v)) return infnan(v, w);
    if (d <= 0 || w <= 0) return stars(w);
    bool neg = std::signbit(v);
    double a = std::fabs(v);
    std::string digits;  // d significant digits (scale 0) or d+1 (scale 1)
    int exp10 = 0;       // exponent in the 0.ddd form
    int nsig = scale == 1 ? d + 1 : d;
    if (a == 0.0) {
        digits.assign(nsig, '0');
        exp10 = scale == 1 ? 1 : 0;
    } else {
        std::string s = printf_str("%.*e", nsig - 1, a);  // D.DDDe+XX
        std::size_t epos = s.find('e');
        digits = s.substr(0, 1) + (nsig > 1 ? s.substr(2, epos - 2) : std::string());
        exp10 = std::atoi(s.c_str() + epos + 1) + 1;
    }
    int shown = exp10 - scale;  // exponent as written
    int ashown = shown < 0 ? -shown : shown;
    std::string ex;
    char sign = shown < 0 ? '-' : '+';
    int limit = static_cast<int>(pow10i(e));
    if (ashown < limit) {
        std::string num = std::to_string(ashown);
        ex = std::string("E") + sign + std::string(e - num.size(), '0') + num;
    } else if (e == 2 && ashown < 1000) {
        ex = std::string(1, sign) + std::to_string(ashown);
    } else {
        return stars(w);
    }
    std::string body;
    bool optional_zero = false;
    if (scale == 1) {
        body = digits.substr(0, 1) + "." + digits.substr(1) + ex;
    } else {
        body = "0." + digits + ex;
        optional_zero = true;
    }
    int need = static_cast<int>(body.size()) + (neg ? 1 : 0);
    if (need > w && optional_zero) {
        body.erase(0, 1);
        --need;
    }
    if (need > w) return stars(w);
    return std::string(w - need, ' ') + (neg ? "-" : "") + body;
}

// The F or E form of G; npad trailing blanks after the F form.
std::string edit_g(double v, int w, int d, int e, int scale_e) {
    if (!std::isfinite(v)) return infnan(v, w);
    if (d <= 0 || w <= 0) return stars(w);
    double m = std::fabs(v);
    const double r = 0.5;
    double rexp_d = pow10i(-d);
    if (m > 0.0 && (m < 0.1 - 0.1 * r * rexp_d || rexp_d * (m + r) >= 1.0))
        return edit_e(v, w, scale_e == 1 ? d - 1 : d, e, scale_e);
    int npad = e + 2;
    if (npad >= w) npad = w - 1;
    int decimals;
    if (m == 0.0) {
        decimals = d - 1;
    } else {
        // s with 10**(s-1)*(1 - r*10**-d) <= m < 10**s*(1 - r*10**-d)
        int s = 0;
        while (s < d && !(m < pow10i(s) * (1.0 - r * rexp_d))) ++s;
        decimals = d - s;
    }
    std::string f = fF(v, w - npad, decimals);
    if (f.find('*') != std::string::npos) return stars(w);
    return f + std::string(npad, ' ');
}

}  // namespace

std::string fI(long long v, int w) {
    std::string s = std::to_string(v);
    if (w <= 0) return s;
    return right(s, w);
}

std::string fF(double v, int w, int d) {
    if (d < 0) d = 0;
    if (!std::isfinite(v)) return infnan(v, w);
    bool neg = std::signbit(v);
    std::string body = printf_str("%.*f", d, std::fabs(v));
    if (d == 0) body += '.';
    bool optional_zero = d > 0 && body.size() > 1 && body[0] == '0' && body[1] == '.';
    int need = static_cast<int>(body.size()) + (neg ? 1 : 0);
    if (optional_zero && (w <= 0 || need > w)) {
        body.erase(0, 1);
        --need;
    }
    if (w <= 0) return (neg ? "-" : "") + body;
    if (need > w) return stars(w);
    return std::string(w - need, ' ') + (neg ? "-" : "") + body;
}

std::string fE(double v, int w, int d) { return edit_e(v, w, d, 2, 0); }

std::string fG(double v, int w, int d) { return edit_g(v, w, d, 2, 0); }

std::string fA(std::string_view s, int w) {
    if (w <= 0) return std::string(s);
    if (static_cast<int>(s.size()) >= w) return std::string(s.substr(0, w));
    return std::string(w - s.size(), ' ') + std::string(s);
}

std::string fX(int n) { return std::string(n > 0 ? n : 0, ' '); }

// ---------------------------------------------------------------- list-directed

std::string list_item(int v) { return fI(v, 11); }
std::string list_item(long v) { return fI(v, 20); }
std::string list_item(long long v) { return fI(v, 20); }
std::string list_item(float v) { return edit_g(v, 16, 9, 2, 1); }
std::string list_item(double v) { return edit_g(v, 25, 17, 3, 1); }
std::string list_item(std::string_view s) { return std::string(s); }

}  // namespace rt
