// Reading and writing a full store (32,700 titles) in each format; bytes per
// second are those of the file text.

#include <benchmark/benchmark.h>

#include <string>

#include "bench/sample_titles.h"
#include "subtitles/microdvd.h"
#include "subtitles/sami.h"
#include "subtitles/subrip.h"

namespace {

using namespace cuemark;

constexpr double FrameRate = 25.0;

const SUBTITLES& Sample() {
    static const SUBTITLES store = [] {
        SUBTITLES s;
        bench::AddSampleTitles(s);
        return s;
    }();
    return store;
}

const std::string& SubRipText() {
    static const std::string text = [] {
        LineWriter out;
        WriteSubRip(out, Sample());
        return out.Text();
    }();
    return text;
}

const std::string& MicroDVDText() {
    static const std::string text = [] {
        LineWriter out;
        WriteMicroDVD(out, Sample(), FrameRate);
        return out.Text();
    }();
    return text;
}

const std::string& SamiText() {
    static const std::string text = [] {
        LineWriter out;
        WriteSami(out, Sample(), SamiState{});
        return out.Text();
    }();
    return text;
}

// Each pass reads into a cleared store, as a load does; copying the text
// into the reader is left out.
template <typename ReadOnce>
void MeasureRead(benchmark::State& state, const std::string& text, ReadOnce readOnce) {
    SUBTITLES store;
    for (auto _ : state) {
        state.PauseTiming();
        LineReader in(text);
        store.Clear();
        state.ResumeTiming();
        const ReadOutcome outcome = readOnce(in, store);
        if (!outcome.complete() || store.Count() != SUBTITLES::MaxTitles) state.SkipWithError("reading failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["titles"] = store.Count();
}

template <typename WriteOnce>
void MeasureWrite(benchmark::State& state, const std::string& text, WriteOnce writeOnce) {
    for (auto _ : state) {
        LineWriter out;
        writeOnce(out);
        benchmark::DoNotOptimize(out.Text().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_ReadSubRip(benchmark::State& state) {
    MeasureRead(state, SubRipText(), [](LineReader& in, SUBTITLES& store) {
        MarkupState markup;
        return ReadSubRip(in, store, markup);
    });
}

void BM_WriteSubRip(benchmark::State& state) {
    MeasureWrite(state, SubRipText(), [](LineWriter& out) { WriteSubRip(out, Sample()); });
}

void BM_ReadMicroDVD(benchmark::State& state) {
    MeasureRead(state, MicroDVDText(), [](LineReader& in, SUBTITLES& store) {
        MarkupState markup;
        return ReadMicroDVD(in, store, markup, FrameRate);
    });
}

void BM_WriteMicroDVD(benchmark::State& state) {
    MeasureWrite(state, MicroDVDText(), [](LineWriter& out) { WriteMicroDVD(out, Sample(), FrameRate); });
}

void BM_ReadSami(benchmark::State& state) {
    MeasureRead(state, SamiText(), [](LineReader& in, SUBTITLES& store) {
        SamiState sami;
        return ReadSami(in, store, sami);
    });
}

void BM_WriteSami(benchmark::State& state) {
    const SamiState sami;
    MeasureWrite(state, SamiText(), [&](LineWriter& out) { WriteSami(out, Sample(), sami); });
}

} // namespace

BENCHMARK(BM_ReadSubRip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSubRip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMicroDVD)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMicroDVD)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSami)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSami)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
