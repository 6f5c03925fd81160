// cuemark-cli on a full generated file (32,700 titles), measured as a user
// sees it: the whole process, start-up included, with its CPU time and peak
// memory, beside ffmpeg converting the same SubRip file as a yardstick.
// Compare the medians: --benchmark_repetitions=9 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
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

struct Run {
    bool ok = false;
    double wallMs = 0;
    double cpuMs = 0; // user + system
    long peakKb = 0;
};

// This program, started again to run one command and report on it alone. A
// child's peak memory counts the memory of the process it was forked from,
// so the command is forked from this small fresh process, not from the
// benchmark that made the 32,700 titles.
constexpr const char* ReportFlag = "--run-and-report";

Run runOnce(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"/proc/self/exe", ReportFlag};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (const std::string& a : all) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int report[2];
    if (pipe(report) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, report[1], 3);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(report[1]);
    Run run;
    if (spawned == 0) {
        char text[128] = {};
        const ssize_t got = read(report[0], text, sizeof text - 1);
        int status = 0;
        waitpid(pid, &status, 0);
        int ok = 0;
        if (got > 0 && std::sscanf(text, "%d %lf %lf %ld", &ok, &run.wallMs, &run.cpuMs, &run.peakKb) == 4)
            run.ok = ok != 0;
    }
    close(report[0]);
    return run;
}

// The child side: runs the command with its output to /dev/null and writes
// "ok wall_ms cpu_ms peak_kb" to descriptor 3.
int runAndReport(char** argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, 3);
    pid_t pid = 0;
    const auto begin = std::chrono::steady_clock::now();
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (spawned == 0) wait4(pid, &status, 0, &usage);
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    const bool ok = spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    dprintf(3, "%d %f %f %ld\n", ok ? 1 : 0, wall, ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_maxrss);
    return ok ? 0 : 1;
}

// The whole process as the user sees it: wall time per run, with its CPU
// time and peak memory as counters.
void measure(benchmark::State& state, const std::vector<std::string>& args) {
    double cpu = 0;
    long peak = 0;
    for (auto _ : state) {
        const Run run = runOnce(args);
        if (!run.ok) {
            state.SkipWithError(("failed: " + args[0]).c_str());
            break;
        }
        cpu += run.cpuMs;
        peak = std::max(peak, run.peakKb);
        state.SetIterationTime(run.wallMs / 1000.0);
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
    state.counters["peak_MB"] = static_cast<double>(peak) / 1024.0;
}

std::string cli() {
    return std::string(CUEMARK_BIN_DIR) + "/cuemark-cli";
}

std::string in(const char* format) {
    return (workDir() / (std::string("in.") + format)).string();
}

// To a file: the durable write (fsync of the file and its folder) included.
void BM_Convert(benchmark::State& state, const char* from, const char* to) {
    measure(state, {cli(), "convert", in(from), (workDir() / (std::string("out.") + to)).string(), "--fps", "25"});
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(in(from))));
}

// To standard output: the same conversion without the durable write, so
// the difference is its cost.
void BM_ConvertToStandardOutput(benchmark::State& state, const char* from, const char* to) {
    measure(state, {cli(), "convert", in(from), "-", "--to", to, "--fps", "25"});
}

void BM_Info(benchmark::State& state) {
    measure(state, {cli(), "info", in("srt")});
}

void BM_Version(benchmark::State& state) {
    measure(state, {cli(), "--version"});
}

// The yardstick: machines here differ by 2x from day to day, a ratio in one
// run holds.
void BM_FfmpegConvertsTheSameSubRip(benchmark::State& state) {
    measure(state, {"ffmpeg", "-loglevel", "error", "-y", "-i", in("srt"), (workDir() / "ffmpeg.srt").string()});
}

BENCHMARK_CAPTURE(BM_Convert, srt_to_sub, "srt", "sub")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, srt_to_smi, "srt", "smi")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, srt_to_srt, "srt", "srt")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, sub_to_srt, "sub", "srt")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, smi_to_srt, "smi", "srt")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertToStandardOutput, srt_to_sub, "srt", "sub")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertToStandardOutput, srt_to_srt, "srt", "srt")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Info)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Version)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FfmpegConvertsTheSameSubRip)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == ReportFlag) return runAndReport(argv + 2);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(workDir(), ignored);
}
