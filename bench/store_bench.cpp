// Locate on a full store: the playback display asks it every 50 ms and at
// every seek, so it must stay logarithmic.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "sample_titles.h"
#include "subtitles/store.h"

namespace {

void BM_LocateMillionLookups(benchmark::State& state) {
    cuemark::SUBTITLES store;
    cuemark::bench::AddSampleTitles(store);
    const double last = store.EndTime(store.Count());
    std::mt19937 rng(1);
    std::vector<double> times(1'000'000);
    for (double& t : times) t = std::uniform_real_distribution<double>(0, last)(rng);
    for (auto _ : state) {
        long sum = 0;
        for (double t : times) sum += store.Locate(t);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["titles"] = store.Count();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * times.size()));
}
BENCHMARK(BM_LocateMillionLookups)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
