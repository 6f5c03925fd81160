// The session journal on a full store (32,700 titles). Set TMPDIR to put the
// sessions on the disk to be measured (a tmpfs /tmp has no fdatasync cost).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "sample_titles.h"
#include "session/journal.h"
#include "session/recovery.h"

namespace {

using namespace cuemark;
using namespace cuemark::session;
using namespace std::chrono_literals;

std::string benchRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr ? tmp : "/tmp") + "/cuemark-bench-sessions-" + std::to_string(::getpid());
}

struct Session {
    Session() {
        bench::AddSampleTitles(store);
        store.SetUndoEnabled(true);
        journal = SessionJournal::start(root, store, nullptr);
        if (!journal) std::abort();
        journal->rebase({"/films/bench.srt", "", SubtitleFormat::SubRip, {}, 25.0, false});
    }
    ~Session() {
        journal->finish();
        std::filesystem::remove_all(root);
    }
    std::string root = benchRoot();
    SUBTITLES store;
    std::unique_ptr<SessionJournal> journal;
};

// What one timed title costs the user-interface thread: the store's change
// and the record handed to the writer (the disk is not waited for).
void BM_RecordOnTheInterfaceThread(benchmark::State& state) {
    Session s;
    int32_t ix = 1;
    for (auto _ : state) {
        s.store.SetTimes(ix, 100.0 + ix, 101.5 + ix);
        ix = ix % s.store.Count() + 1;
        // The timer's snapshot check runs four times a second, not per record.
        if (ix % 64 == 0) {
            state.PauseTiming();
            s.journal->waitDurable(s.journal->lastSequence(), 10s);
            s.journal->tick();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordOnTheInterfaceThread)->Unit(benchmark::kMicrosecond);

// From the key's release (the store's change) to the record durable on the disk.
void BM_KeyReleaseToDurable(benchmark::State& state) {
    Session s;
    int32_t ix = 1;
    for (auto _ : state) {
        s.store.SetTimes(ix, 100.0 + ix, 101.5 + ix);
        if (!s.journal->waitDurable(s.journal->lastSequence(), 10s)) state.SkipWithError("journal failed");
        ix = ix % s.store.Count() + 1;
    }
}
BENCHMARK(BM_KeyReleaseToDurable)->Unit(benchmark::kMillisecond)->UseRealTime();

// A crashed session of a full store and 100,000 records after its snapshot.
void BM_Recover100000RecordsOnAFullStore(benchmark::State& state) {
    std::string folder;
    std::string root;
    {
        Session s;
        root = s.root + "-recover";
        std::mt19937 random(1);
        for (int k = 0; k < 100000; ++k) {
            const int32_t ix = std::uniform_int_distribution<int32_t>(1, s.store.Count())(random);
            if (k % 10 == 9)
                s.store.SetText(ix, "corrected " + std::to_string(k));
            else
                s.store.SetTimes(ix, k * 0.1, k * 0.1 + 2);
        }
        s.journal->waitDurable(s.journal->lastSequence(), 60s);
        std::filesystem::rename(s.journal->folder(), root);
        folder = root;
        state.counters["journal_bytes"] = static_cast<double>(std::filesystem::file_size(folder + "/journal"));
    }
    for (auto _ : state) {
        SUBTITLES store;
        SessionState session;
        if (!ReadSession(folder, store, session)) state.SkipWithError("session not read");
        benchmark::DoNotOptimize(store.Count());
    }
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_Recover100000RecordsOnAFullStore)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
