// What one settings call of the program costs: every path-based call opens
// and closes its key. Targets: a read 20 us or less median, a write 2 ms or less.
// Run: build/bin/keyvane_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "keyvane/keyvane.h"

namespace {

const char* const path = "HKCU\\Software\\Tavrel\\Cuemark";

void RegGetDwordValueOfExistingValue(benchmark::State& state) {
    const char* name = "Width";
    const std::int32_t fallback = -1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RegGetDwordValue(&path, &name, &fallback));
    }
}
BENCHMARK(RegGetDwordValueOfExistingValue)->Unit(benchmark::kMicrosecond);

void RegGetStringValueOfExistingValue(benchmark::State& state) {
    const char* name = "MRU";
    const char* fallback = "";
    for (auto _ : state) {
        BSTR text = RegGetStringValue(&path, &name, &fallback);
        benchmark::DoNotOptimize(text);
        SysFreeString(text);
    }
}
BENCHMARK(RegGetStringValueOfExistingValue)->Unit(benchmark::kMicrosecond);

void RegSetDwordValueOfExistingValue(benchmark::State& state) {
    const char* name = "Left";
    std::int32_t number = 0;
    for (auto _ : state) {
        ++number;
        benchmark::DoNotOptimize(RegSetDwordValue(&path, &name, &number));
    }
}
BENCHMARK(RegSetDwordValueOfExistingValue)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/keyvane-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return 1;
    }
    const std::filesystem::path folder = pattern;
    setenv("KEYVANE_REGISTRY", (folder / "registry.sqlite3").c_str(), 1);

    const char* width = "Width";
    const char* mru = "MRU";
    const char* left = "Left";
    const char* file = "/home/user/films/Some Film (1999)/Some Film.srt";
    const std::int32_t number = 640;
    if (RegSetDwordValue(&path, &width, &number) == 0 || RegSetStringValue(&path, &mru, &file) == 0 ||
        RegSetDwordValue(&path, &left, &number) == 0) {
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return 0;
}
