/* Preloaded into a program that calls the library (zef_run, Orvane): reads
   the processor's register-in-use state, xgetbv(1), where the program enters
   RELEASE, BLACKOIL or COMPPVT and again at the first libm call the library
   makes inside that entry, and clocks the entry's CPU time. Bit 2 of the
   state (0x4) says the upper halves of the vector registers are in use:
   every SSE instruction and every switch to libm's vector-encoded exp/log
   then pays a transition. One line on standard error per entry:

     vector_state COMPPVT at_call=0x2a6 inside=0x2a2 cpu_ms=40.1 comp=4:92:16.043:0,...

   COMPPVT's line ends with the composition it was handed (MODEL:PCT:MW:DENS
   per component, exact to the float), so that release_bench can time the
   same call (--composition=NAME=...).

   Built for baseline x86-64, and it reads the state before it does anything
   else, so that the probe itself does not change what it reads. Not a test:
   bench/zef_run_bench.sh uses it to show the state beside the times. */
#define _GNU_SOURCE
#include <cpuid.h>
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <time.h>

/* COMPREC's layout (release/release.h; the header is not included because
   the probe declares the entries with untyped blocks of its own). */
typedef struct {
    int32_t NCOMP;
    int32_t MODEL[30];
    float MOLEPCT[30];
    float MOLWT[30];
    float LIQDEN[30];
} COMPREC;

static int g_can_read = -1;     /* xgetbv with ecx=1 is there */
static int g_inside = 0;        /* a library entry is under way */
static uint64_t g_first_inside; /* the state at its first libm call */
static int g_seen_inside = 0;

static uint64_t read_state(void) {
    if (g_can_read <= 0) return 0;
    uint32_t lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return ((uint64_t)hi << 32) | lo;
}

typedef void (*release_fn)(void*, void*, void*, void*, void*, void*, void*, const char*, int32_t,
                           void*, int32_t*, char*, int32_t);
typedef void (*blackoil_fn)(float*, float*, float*, float*, void*, int32_t*, char*, int32_t);
typedef void (*comppvt_fn)(void*, void*, int32_t*, char*, int32_t);
typedef double (*d1_fn)(double);
typedef float (*f1_fn)(float);
typedef double (*d2_fn)(double, double);

static release_fn real_release;
static blackoil_fn real_blackoil;
static comppvt_fn real_comppvt;
static d1_fn real_exp, real_log;
static f1_fn real_expf, real_logf;
static d2_fn real_pow;

__attribute__((constructor)) static void probe_init(void) {
    unsigned a, b, c, d;
    g_can_read = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) && (c & bit_OSXSAVE) && __get_cpuid_max(0, 0) >= 0xd) {
        __cpuid_count(0xd, 1, a, b, c, d);
        g_can_read = (a & 0x4) != 0; /* XGETBV with ECX = 1 */
    }
    real_release = (release_fn)dlsym(RTLD_NEXT, "RELEASE");
    real_blackoil = (blackoil_fn)dlsym(RTLD_NEXT, "BLACKOIL");
    real_comppvt = (comppvt_fn)dlsym(RTLD_NEXT, "COMPPVT");
    real_exp = (d1_fn)dlsym(RTLD_NEXT, "exp");
    real_log = (d1_fn)dlsym(RTLD_NEXT, "log");
    real_expf = (f1_fn)dlsym(RTLD_NEXT, "expf");
    real_logf = (f1_fn)dlsym(RTLD_NEXT, "logf");
    real_pow = (d2_fn)dlsym(RTLD_NEXT, "pow");
}

/* Only the first libm call of an entry reads the state. xgetbv costs about
   11 ns here, as much as the exp it precedes, and oil_line's table build
   makes 2.4 million exp and log calls: reading it on every call added 27 ms
   to the 35 ms the probe was there to time. Every later call tests a flag. */
static int g_want_state = 0; /* an entry is under way and has not read it yet */

static void note_inside(void) {
    if (g_inside && !g_seen_inside) {
        g_first_inside = read_state();
        g_seen_inside = 1;
    }
    g_want_state = 0;
}

#define NOTE_INSIDE() \
    if (__builtin_expect(g_want_state, 0)) note_inside()

double exp(double x) {
    NOTE_INSIDE();
    return real_exp(x);
}
double log(double x) {
    NOTE_INSIDE();
    return real_log(x);
}
float expf(float x) {
    NOTE_INSIDE();
    return real_expf(x);
}
float logf(float x) {
    NOTE_INSIDE();
    return real_logf(x);
}
double pow(double x, double y) {
    NOTE_INSIDE();
    return real_pow(x, y);
}

static double cpu_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static char g_comp[30 * 64 + 8]; /* " comp=..." of the last COMPPVT, or "" */

static void note_composition(const COMPREC* c) {
    size_t n = (size_t)snprintf(g_comp, sizeof g_comp, " comp=");
    for (int k = 0; k < c->NCOMP && k < 30 && n < sizeof g_comp; ++k)
        n += (size_t)snprintf(g_comp + n, sizeof g_comp - n, "%s%d:%.9g:%.9g:%.9g", k ? "," : "",
                              (int)c->MODEL[k], (double)c->MOLEPCT[k], (double)c->MOLWT[k],
                              (double)c->LIQDEN[k]);
}

static void report(const char* name, uint64_t at_call, double ms) {
    if (g_can_read <= 0) {
        fprintf(stderr, "vector_state %s unreadable cpu_ms=%.1f%s\n", name, ms, g_comp);
    } else if (g_seen_inside) {
        fprintf(stderr, "vector_state %s at_call=0x%llx inside=0x%llx cpu_ms=%.1f%s\n", name,
                (unsigned long long)at_call, (unsigned long long)g_first_inside, ms, g_comp);
    } else {
        fprintf(stderr, "vector_state %s at_call=0x%llx inside=none cpu_ms=%.1f%s\n", name,
                (unsigned long long)at_call, ms, g_comp);
    }
    g_comp[0] = '\0';
}

#define ENTER()                            \
    const uint64_t at_call = read_state(); \
    g_inside = 1;                          \
    g_seen_inside = 0;                     \
    g_want_state = 1;                      \
    const double start = cpu_ms()
#define LEAVE(name)   \
    g_inside = 0;     \
    g_want_state = 0; \
    report(name, at_call, cpu_ms() - start)

void RELEASE(void* nethdr, void* brdata, void* bnddat, void* lekdat, void* pvtblk, void* ctl,
             void* summary, const char* path, int32_t path_len, void* callback, int32_t* ierr,
             char* msg, int32_t msg_len) {
    ENTER();
    real_release(nethdr, brdata, bnddat, lekdat, pvtblk, ctl, summary, path, path_len, callback,
                 ierr, msg, msg_len);
    LEAVE("RELEASE");
}

void BLACKOIL(float* gas_density, float* oil_density, float* gor, float* water_cut, void* pvtblk,
              int32_t* ierr, char* msg, int32_t msg_len) {
    ENTER();
    real_blackoil(gas_density, oil_density, gor, water_cut, pvtblk, ierr, msg, msg_len);
    LEAVE("BLACKOIL");
}

void COMPPVT(void* comp, void* pvtblk, int32_t* ierr, char* msg, int32_t msg_len) {
    note_composition((const COMPREC*)comp); /* as handed, before the clock starts */
    ENTER();
    real_comppvt(comp, pvtblk, ierr, msg, msg_len);
    LEAVE("COMPPVT");
}
