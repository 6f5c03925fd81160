// cuemark-cli convert of a full generated file, measured as a user sees it:
// the whole process, start-up included, with its peak memory.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sample_titles.h"
#include "subtitles/line_io.h"
#include "subtitles/microdvd.h"
#include "subtitles/sami.h"
#include "subtitles/subrip.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const fs::path& workDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("cuemark-cli-bench-" + std::to_string(getpid()));
        fs::create_directories(d);
        cuemark::SUBTITLES store;
        cuemark::bench::AddSampleTitles(store);
        cuemark::LineWriter srt, sub, smi;
        cuemark::WriteSubRip(srt, store);
        cuemark::WriteMicroDVD(sub, store, 25.0);
        cuemark::WriteSami(smi, store, cuemark::SamiState{});
        std::ofstream(d / "in.srt", std::ios::binary) << srt.Text();
        std::ofstream(d / "in.sub", std::ios::binary) << sub.Text();
        std::ofstream(d / "in.smi", std::ios::binary) << smi.Text();
        return d;
    }();
    return dir;
}

// Runs the program once; returns its peak resident size in kB.
long runOnce(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

void BM_Convert(benchmark::State& state, const char* from, const char* to) {
    const fs::path& dir = workDir();
    const std::vector<std::string> args = {
        std::string(CUEMARK_BIN_DIR) + "/cuemark-cli", "convert", (dir / (std::string("in.") + from)).string(),
        (dir / (std::string("out.") + to)).string(),   "--fps",   "25"};
    long peak = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        const long rss = runOnce(args);
        const auto end = std::chrono::steady_clock::now();
        if (rss < 0) {
            state.SkipWithError("cuemark-cli failed");
            break;
        }
        peak = std::max(peak, rss);
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
    }
    state.counters["peak_MB"] = static_cast<double>(peak) / 1024.0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(args[2])));
}

BENCHMARK_CAPTURE(BM_Convert, srt_to_sub, "srt", "sub")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, srt_to_smi, "srt", "smi")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, srt_to_srt, "srt", "srt")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, sub_to_srt, "sub", "srt")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, smi_to_srt, "smi", "srt")->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(workDir(), ignored);
}
