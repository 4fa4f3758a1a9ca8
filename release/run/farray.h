// Fixed-size arrays indexed the way the model's equations are written:
// A(i) runs from its lower bound (1 unless given), B(i, j) stores the first
// index fastest. With RELEASE_BOUNDS_CHECK defined, every access outside the
// declared range throws instead of reading a neighbour's words.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace rel {

struct BoundsError : std::out_of_range {
    using std::out_of_range::out_of_range;
};

#ifdef RELEASE_BOUNDS_CHECK
inline void bounds_fail(long i, long lo, long hi) {
    throw BoundsError("index " + std::to_string(i) + " outside " + std::to_string(lo) + ".." +
                      std::to_string(hi));
}
#define REL_CHECK(i, lo, hi)                                               \
    do {                                                                   \
        if ((i) < (lo) || (i) > (hi)) ::rel::bounds_fail((i), (lo), (hi)); \
    } while (0)
#else
#define REL_CHECK(i, lo, hi) ((void)0)
#endif

// One-dimensional array with indices LO..HI.
template <class T, int HI, int LO = 1>
struct Arr {
    static_assert(HI >= LO);
    static constexpr int lo = LO, hi = HI, size = HI - LO + 1;
    T v[size];

    T& operator()(int i) {
        REL_CHECK(i, LO, HI);
        return v[i - LO];
    }
    const T& operator()(int i) const {
        REL_CHECK(i, LO, HI);
        return v[i - LO];
    }
    T* data() { return v; }
    const T* data() const { return v; }
    void fill(const T& x) {
        for (auto& e : v) e = x;
    }
};

// Two-dimensional array, indices 1..N1 and 1..N2, first index fastest.
template <class T, int N1, int N2>
struct Arr2 {
    static constexpr int n1 = N1, n2 = N2;
    T v[N2][N1];

    T& operator()(int i, int j) {
        REL_CHECK(i, 1, N1);
        REL_CHECK(j, 1, N2);
        return v[j - 1][i - 1];
    }
    const T& operator()(int i, int j) const {
        REL_CHECK(i, 1, N1);
        REL_CHECK(j, 1, N2);
        return v[j - 1][i - 1];
    }
    T* data() { return &v[0][0]; }
    void fill(const T& x) {
        for (auto& r : v)
            for (auto& e : r) e = x;
    }
};

// Three-dimensional array, indices 1..N1, 1..N2, 1..N3, first index fastest.
template <class T, int N1, int N2, int N3>
struct Arr3 {
    T v[N3][N2][N1];

    T& operator()(int i, int j, int k) {
        REL_CHECK(i, 1, N1);
        REL_CHECK(j, 1, N2);
        REL_CHECK(k, 1, N3);
        return v[k - 1][j - 1][i - 1];
    }
    const T& operator()(int i, int j, int k) const {
        REL_CHECK(i, 1, N1);
        REL_CHECK(j, 1, N2);
        REL_CHECK(k, 1, N3);
        return v[k - 1][j - 1][i - 1];
    }
    T* data() { return &v[0][0][0]; }
    void fill(const T& x) {
        for (auto& p : v)
            for (auto& r : p)
                for (auto& e : r) e = x;
    }
};

// A 1-based view over words the caller owns (a table inside an input block).
template <class T>
struct View {
    T* p;
    int n;
    T& operator()(int i) const {
        REL_CHECK(i, 1, n);
        return p[i - 1];
    }
};

}  // namespace rel
