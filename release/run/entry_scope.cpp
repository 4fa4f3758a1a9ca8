#include "run/entry_scope.h"

#include <locale.h>

#include <atomic>

namespace rel {

namespace {
std::atomic<bool> g_busy{false};

// The locale the holder of the guard found on its thread (one holder at a time).
locale_t g_caller_locale = nullptr;

locale_t c_locale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

#if defined(__x86_64__) || defined(__i386__)
// Asked once: whether the processor and the system keep the upper halves of
// the vector registers (the test also reads the system's register state).
const bool g_has_avx = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
}();
#endif
}  // namespace

void clear_upper_vector_state() {
#if defined(__x86_64__) || defined(__i386__)
    if (g_has_avx) __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

EntryScope::EntryScope() {
    clear_upper_vector_state();
    bool expected = false;
    held_ = g_busy.compare_exchange_strong(expected, true, std::memory_order_acquire);
    if (!held_) return;
    g_caller_locale = c_locale() ? uselocale(c_locale()) : nullptr;
}

EntryScope::~EntryScope() {
    if (!held_) return;
    if (g_caller_locale) uselocale(g_caller_locale);
    g_caller_locale = nullptr;
    g_busy.store(false, std::memory_order_release);
}

CallerLocale::CallerLocale() {
    if (g_caller_locale) uselocale(g_caller_locale);
}

CallerLocale::~CallerLocale() {
    if (g_caller_locale) uselocale(c_locale());
    clear_upper_vector_state();
}

}  // namespace rel
