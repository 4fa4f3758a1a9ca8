// Time and memory to load a scenario file of a given size: the objects of
// examples/scenarios/oil_line.zef repeated, each copy with its own ids and
// connections. A file ten times larger should take about ten times as long.
// Run one size per process for the peak memory:
//   build/bench/loader_bench --benchmark_filter='LoadScenario/500/'
//   build/bench/loader_bench --benchmark_filter='LoadScenario/5000/'
#include <benchmark/benchmark.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/resource.h>

#include <map>
#include <regex>
#include <string>

#include "vexil/diagram_file.h"
#include "vexil/diagramdata.h"
#include "vexil/message.h"
#include "vexil/object.h"

namespace {

// The example with its layer's objects repeated `copies` times.
std::string RepeatedScenario(int copies) {
    gchar* text = nullptr;
    if (!g_file_get_contents(LOADER_BENCH_EXAMPLE, &text, nullptr, nullptr)) return {};
    const std::string src = text;
    g_free(text);
    const size_t begin = src.find("<object ");
    const size_t end = src.find("</zef:layer>");
    const std::string objects = src.substr(begin, end - begin);
    const std::regex id("(id|to)=\"O([0-9]+)\"");
    std::string out = src.substr(0, begin);
    for (int k = 0; k < copies; ++k) {
        std::string copy;
        auto last = objects.cbegin();
        for (std::sregex_iterator m(objects.begin(), objects.end(), id), e; m != e; ++m) {
            copy.append(last, (*m)[0].first);
            copy +=
                (*m)[1].str() + "=\"O" + std::to_string(std::stoi((*m)[2].str()) + 4 * k) + "\"";
            last = (*m)[0].second;
        }
        copy.append(last, objects.cend());
        out += copy;
    }
    return out + src.substr(end);
}

void LoadScenario(benchmark::State& state) {
    static bool started = vexil_startup() != 0;
    if (!started) {
        state.SkipWithError("vexil_startup failed");
        return;
    }
    message_set_sink([](message_icon, const char*, void*) {}, nullptr);
    const std::string path =
        std::string(g_get_tmp_dir()) + "/loader_bench_" + std::to_string(state.range(0)) + ".zef";
    const std::string content = RepeatedScenario(static_cast<int>(state.range(0)));
    g_file_set_contents(path.c_str(), content.data(), static_cast<gssize>(content.size()), nullptr);
    for (auto _ : state) {
        diagram_data* d = diagram_data_create();
        if (!diagram_file_load(path.c_str(), d, nullptr)) state.SkipWithError("not loaded");
        diagram_data_free(d);
    }
    g_unlink(path.c_str());
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["file_MB"] = static_cast<double>(content.size()) / 1e6;
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(content.size()));
}
BENCHMARK(LoadScenario)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
