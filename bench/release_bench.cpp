// Wall time and steps per second of whole discharge runs: the bundled
// example cases (examples/cases/*.json), one benchmark per case file, and a
// generated family of networks (single lines of 20 to 199 sections and a
// 13-branch, 3-junction network of 75 to 199 sections, 1 h and 24 h of
// release). Each iteration is one RELEASE call on the same input, files
// written to a scratch directory. The family's rows report microseconds per
// time step and per section and time step.
// The composition cases' property tables are timed on their own (tables/...),
// with a gas condensate and the oil of examples/scenarios/oil_line.zef besides,
// as COMPPVT builds them for the front end, and any composition given as
// --composition=NAME=MODEL:PCT:MW:DENS,... (the form the vector-state probe
// prints for a program's call). That loop repeats the call in a warm process;
// a program makes it once, cold. tables_cold/... starts a fresh process of
// this benchmark per iteration that makes the call once and then again: its
// time is the thread CPU time of that first call, the figure to hold against
// the CPU time a program's one call takes (bench/README.md), with the second
// call's time and the page faults of each beside it.
// Run: build/bench/release_bench [--benchmark_filter=family/net199_24h]
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "case_file.h"
#include "network_family.h"
#include "release/release.h"
#include "run/state.h"

namespace fs = std::filesystem;

namespace {

struct Loaded {
    std::string name;
    cases::Case c;
    std::string fluid_error;  // non-empty when the property tables could not be filled
};

std::string trimmed(const char* msg, int len) {
    int n = len;
    while (n > 0 && (msg[n - 1] == ' ' || msg[n - 1] == '\0')) --n;
    return std::string(msg, n);
}

// The property tables are filled once, as the front end does before a run.
void fill_fluid(Loaded& l) {
    char msg[256];
    std::memset(msg, ' ', sizeof msg);
    int32_t ierr = 0;
    cases::Fluid& f = l.c.fluid;
    if (f.kind == cases::Fluid::Kind::BlackOil) {
        BLACKOIL(&f.gas_density, &f.oil_density, &f.gor, &f.water_cut, &l.c.input->pvt, &ierr, msg,
                 256);
    } else {
        COMPREC comp = cases::make_comprec(f);
        COMPPVT(&comp, &l.c.input->pvt, &ierr, msg, 256);
    }
    if (ierr != 0) l.fluid_error = trimmed(msg, 256);
}

void run_case(benchmark::State& state, Loaded* l) {
    if (!l->fluid_error.empty()) {
        state.SkipWithError(("fluid tables: " + l->fluid_error).c_str());
        return;
    }
    const fs::path dir = fs::temp_directory_path() / "release_bench";
    fs::create_directories(dir);
    const std::string path = (dir / (l->name + ".$$$")).string();
    int64_t steps = 0;
    for (auto _ : state) {
        ReleaseInput& in = *l->c.input;
        DischargeSummary summary{};
        ReleaseProgressFn none = nullptr;
        char msg[256];
        std::memset(msg, ' ', sizeof msg);
        int32_t ierr = 0;
        RELEASE(&in.net, in.br, &in.bnd, &in.lek, &in.pvt, &l->c.control, &summary, path.c_str(),
                static_cast<int32_t>(path.size()), &none, &ierr, msg, 256);
        if (ierr != 0 && ierr != 9999) {
            state.SkipWithError(("RELEASE: " + trimmed(msg, 256)).c_str());
            return;
        }
        steps += rel::RUNCTL.NINTGR;
        benchmark::DoNotOptimize(summary);
    }
    state.counters["steps_per_run"] =
        benchmark::Counter(static_cast<double>(steps) / std::max<int64_t>(1, state.iterations()));
    state.counters["steps_per_s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

// A tiny network built in code, for when no case file is at hand: one 500 m
// branch of black oil with a leak in its middle.
std::unique_ptr<Loaded> in_code_case() {
    auto l = std::make_unique<Loaded>();
    l->name = "in_code_one_branch";
    const char* text = R"({
      "description": "in-code 500 m line",
      "network": {"branches": [{"name": "Line", "start": {"x": -500.0, "depth": 100.0},
         "pipe_defaults": {"diameter": 0.2, "roughness": 5.0e-5, "heat_transfer": 20.0, "ambient_temperature": 4.0},
         "pipes": [{"end": {"x": 0.0, "depth": 100.0}}]}]},
      "inlets": [{"branch": 1, "rate": 5.0, "temperature": 40.0, "closing_time": 60.0}],
      "outlet": {"pressure": 2.0e6, "closing_time": 30.0},
      "leak": {"branch": 1, "position": 250.0, "diameter": 0.05, "back_pressure": 1.1e6},
      "fluid": {"black_oil": {"gas_density": 0.85, "oil_density": 850.0, "gor": 100.0, "water_cut": 0.0}},
      "run": {"end_time": 600.0, "temperature_calculation": true}})";
    l->c = cases::parse_case(text, l->name);
    fill_fluid(*l);
    return l;
}

// One member of the generated family; besides the wall time it reports the
// cost of one time step and of one section in one time step.
void run_member(benchmark::State& state, const family::Member* m) {
    const fs::path dir = fs::temp_directory_path() / "release_bench";
    fs::create_directories(dir);
    const std::string stem = (dir / m->name).string();
    int64_t steps = 0;
    double seconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        cases::Case c = cases::parse_case(m->json, m->name);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        family::Outcome o = family::run(c, stem);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (o.ierr != 0) {
            state.SkipWithError(("RELEASE: " + o.message).c_str());
            return;
        }
        steps += o.steps;
        benchmark::DoNotOptimize(o.summary);
    }
    const double per_step = 1e6 * seconds / static_cast<double>(std::max<int64_t>(1, steps));
    state.counters["sections"] = m->sections;
    state.counters["steps_per_run"] =
        static_cast<double>(steps) / std::max<int64_t>(1, state.iterations());
    state.counters["us_per_step"] = per_step;
    state.counters["us_per_section_step"] = per_step / m->sections;
}

// One COMPPVT table build per iteration.
void run_tables(benchmark::State& state, const COMPREC* comp) {
    PVTBLK blk{};
    for (auto _ : state) {
        COMPREC c = *comp;
        char msg[256];
        std::memset(msg, ' ', sizeof msg);
        int32_t ierr = 0;
        COMPPVT(&c, &blk, &ierr, msg, 256);
        if (ierr != 0) {
            state.SkipWithError(("COMPPVT: " + trimmed(msg, 256)).c_str());
            return;
        }
        benchmark::DoNotOptimize(blk);
    }
}

double thread_cpu_ms() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

long thread_page_faults() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_minflt + u.ru_majflt;
}

constexpr const char* COLD_SWITCH = "--cold-tables=";
constexpr const char* COMPOSITION_SWITCH = "--composition=";

// A composition as text, MODEL:PCT:MW:DENS per component, comma-separated;
// nine digits give each float back exactly.
std::string composition_text(const COMPREC& c) {
    std::string text;
    char word[80];
    for (int k = 0; k < c.NCOMP && k < 30; ++k) {
        std::snprintf(word, sizeof word, "%s%d:%.9g:%.9g:%.9g", k ? "," : "", c.MODEL[k],
                      static_cast<double>(c.MOLEPCT[k]), static_cast<double>(c.MOLWT[k]),
                      static_cast<double>(c.LIQDEN[k]));
        text += word;
    }
    return text;
}

bool parse_composition(const char* text, COMPREC& c) {
    c = COMPREC{};
    while (*text) {
        if (c.NCOMP == 30) return false;
        char* end = nullptr;
        const long model = std::strtol(text, &end, 10);
        float* const fields[3] = {&c.MOLEPCT[c.NCOMP], &c.MOLWT[c.NCOMP], &c.LIQDEN[c.NCOMP]};
        for (float* f : fields) {
            if (end == text || *end != ':') return false;
            text = end + 1;
            *f = std::strtof(text, &end);
        }
        if (end == text || (*end != ',' && *end != '\0')) return false;
        c.MODEL[c.NCOMP++] = static_cast<int32_t>(model);
        text = *end ? end + 1 : end;
    }
    return c.NCOMP > 0;
}

// In the fresh process: the tables of one composition built twice, each
// call's thread CPU time and page faults on one line of standard output.
int cold_tables_child(const char* text) {
    COMPREC comp;
    if (!parse_composition(text, comp)) {
        std::fprintf(stderr, "not a composition: %s\n", text);
        return 2;
    }
    double ms[2];
    long faults[2];
    for (int call = 0; call < 2; ++call) {
        COMPREC c = comp;
        static PVTBLK blk;  // static, as a program's blocks are
        char msg[256];
        std::memset(msg, ' ', sizeof msg);
        int32_t ierr = 0;
        const long f0 = thread_page_faults();
        const double t0 = thread_cpu_ms();
        COMPPVT(&c, &blk, &ierr, msg, 256);
        ms[call] = thread_cpu_ms() - t0;
        faults[call] = thread_page_faults() - f0;
        if (ierr != 0) {
            std::fprintf(stderr, "COMPPVT: %s\n", trimmed(msg, 256).c_str());
            return 1;
        }
    }
    std::printf("%.3f %.3f %ld %ld\n", ms[0], ms[1], faults[0], faults[1]);
    return 0;
}

// One fresh process per iteration; the manual time is its first call's CPU.
void run_cold_tables(benchmark::State& state, const COMPREC* comp) {
    std::string command = "'";
    command += fs::read_symlink("/proc/self/exe").string();
    command += "' ";
    command += COLD_SWITCH;
    command += composition_text(*comp);
    double second_ms = 0, first_faults = 0, second_faults = 0;
    for (auto _ : state) {
        FILE* child = popen(command.c_str(), "r");
        double ms[2] = {0, 0};
        long faults[2] = {0, 0};
        const int got =
            child ? std::fscanf(child, "%lf %lf %ld %ld", &ms[0], &ms[1], &faults[0], &faults[1])
                  : 0;
        if (!child || pclose(child) != 0 || got != 4) {
            state.SkipWithError(("the fresh process failed: " + command).c_str());
            return;
        }
        state.SetIterationTime(ms[0] / 1e3);
        second_ms += ms[1];
        first_faults += static_cast<double>(faults[0]);
        second_faults += static_cast<double>(faults[1]);
    }
    const auto n = static_cast<double>(std::max<int64_t>(1, state.iterations()));
    state.counters["second_call_ms"] = second_ms / n;
    state.counters["faults_first"] = first_faults / n;
    state.counters["faults_second"] = second_faults / n;
}

// A composition from rows of (model, mole percent, M, density).
template <size_t N>
COMPREC compositionOf(const float (&rows)[N][4]) {
    COMPREC c{};
    for (const auto& r : rows) {
        c.MODEL[c.NCOMP] = static_cast<int32_t>(r[0]);
        c.MOLEPCT[c.NCOMP] = r[1];
        c.MOLWT[c.NCOMP] = r[2];
        c.LIQDEN[c.NCOMP] = r[3];
        ++c.NCOMP;
    }
    return c;
}

// A gas condensate with two plus fractions (model, mole percent, M, density).
COMPREC condensate() {
    const float rows[][4] = {{1, 0.5f, 0, 0},         {2, 2.5f, 0, 0},           {4, 70.0f, 0, 0},
                             {5, 8.0f, 0, 0},         {6, 5.0f, 0, 0},           {7, 1.5f, 0, 0},
                             {8, 2.0f, 0, 0},         {9, 1.5f, 0, 0},           {11, 1.5f, 0, 0},
                             {12, 2.5f, 100.205f, 0}, {16, 5.0f, 180.0f, 800.0f}};
    return compositionOf(rows);
}

// The fluid of examples/scenarios/oil_line.zef: an oil whose tables the
// program builds on Verify Layout and Calculate Discharge.
COMPREC oil_line() {
    const float rows[][4] = {
        {1, 0.5f, 28.013f, 0},        {2, 1.5f, 44.01f, 0},          {4, 39.0f, 16.043f, 0},
        {5, 7.0f, 30.07f, 0},         {6, 6.0f, 44.097f, 0},         {7, 1.5f, 58.124f, 0},
        {8, 3.0f, 58.124f, 0},        {9, 1.5f, 72.151f, 0},         {10, 2.0f, 72.151f, 0},
        {11, 4.0f, 86.178f, 0},       {12, 12.0f, 100.205f, 684.0f}, {13, 12.0f, 114.232f, 702.5f},
        {14, 10.0f, 128.259f, 717.6f}};
    return compositionOf(rows);
}

}  // namespace

int main(int argc, char** argv) {
    // The fresh process of tables_cold/...: its call is the library's first.
    if (argc == 2 && std::strncmp(argv[1], COLD_SWITCH, std::strlen(COLD_SWITCH)) == 0)
        return cold_tables_child(argv[1] + std::strlen(COLD_SWITCH));
    static std::vector<std::pair<std::string, COMPREC>> compositions;
    int kept = 1;
    for (int a = 1; a < argc; ++a) {
        const char* arg = argv[a];
        if (std::strncmp(arg, COMPOSITION_SWITCH, std::strlen(COMPOSITION_SWITCH)) != 0) {
            argv[kept++] = argv[a];
            continue;
        }
        arg += std::strlen(COMPOSITION_SWITCH);
        const char* eq = std::strchr(arg, '=');
        COMPREC comp;
        if (!eq || eq == arg || !parse_composition(eq + 1, comp)) {
            std::fprintf(stderr, "expected %sNAME=MODEL:PCT:MW:DENS,...: %s\n", COMPOSITION_SWITCH,
                         argv[a]);
            return 2;
        }
        compositions.emplace_back(std::string(arg, eq), comp);
    }
    argc = kept;
    static std::vector<std::unique_ptr<Loaded>> loaded;
    std::vector<fs::path> files;
    if (fs::is_directory(RELEASE_CASES_DIR))
        for (const auto& e : fs::directory_iterator(RELEASE_CASES_DIR))
            if (e.path().extension() == ".json") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        auto l = std::make_unique<Loaded>();
        l->name = f.stem().string();
        try {
            l->c = cases::load_case(f.string());
        } catch (const cases::CaseError& e) {
            std::fprintf(stderr, "skipping %s: %s\n", f.string().c_str(), e.what());
            continue;
        }
        fill_fluid(*l);
        loaded.push_back(std::move(l));
    }
    if (loaded.empty()) loaded.push_back(in_code_case());
    for (auto& l : loaded)
        benchmark::RegisterBenchmark(("discharge/" + l->name).c_str(), run_case, l.get())
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(1);
    for (auto& l : loaded)
        if (l->c.fluid.kind != cases::Fluid::Kind::BlackOil)
            compositions.emplace_back(l->name, cases::make_comprec(l->c.fluid));
    compositions.emplace_back("condensate", condensate());
    compositions.emplace_back("oil_line", oil_line());
    for (const auto& [name, comp] : compositions) {
        benchmark::RegisterBenchmark(("tables/" + name).c_str(), run_tables, &comp)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("tables_cold/" + name).c_str(), run_cold_tables, &comp)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
    }
    static const std::vector<family::Member> members = family::members();
    for (const auto& m : members)
        benchmark::RegisterBenchmark(("family/" + m.name).c_str(), run_member, &m)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(1)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
