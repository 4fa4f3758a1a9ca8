// Time to integrate the plume equations up to the surface for one leak depth
// (done once at the start of each near-field run).
// Run: build/bench/plume_bench
#include <benchmark/benchmark.h>

#include "bubble_plume.h"

namespace {

void SurfaceCoefficients(benchmark::State& state) {
    const double depth = static_cast<double>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(PlumeState::Build(depth));
}
BENCHMARK(SurfaceCoefficients)->Arg(50)->Arg(490)->Arg(3000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
