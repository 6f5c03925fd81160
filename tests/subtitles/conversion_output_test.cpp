// Every conversion of the benchmarks' full store, pinned by digest: work on
// the speed of reading and writing must not change a byte of any output.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "bench/sample_titles.h"
#include "subtitles/line_io.h"
#include "subtitles/markup.h"
#include "subtitles/microdvd.h"
#include "subtitles/sami.h"
#include "subtitles/subrip.h"
#include "subtitles/text_encoding.h"

namespace cuemark {
namespace {

uint64_t fnv1a(std::string_view bytes) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (unsigned char b : bytes) hash = (hash ^ b) * 0x100000001b3u;
    return hash;
}

std::map<std::string, std::string> writtenAllWays(const SUBTITLES& store, const std::string& from) {
    LineWriter srt, sub, smi;
    WriteSubRip(srt, store);
    WriteMicroDVD(sub, store, 25.0);
    WriteSami(smi, store, SamiState{});
    return {{from + " to srt", EncodeText(srt.Text(), {"UTF-8", false})},
            {from + " to sub", EncodeText(sub.Text(), {"UTF-8", false})},
            {from + " to smi", EncodeText(smi.Text(), {"windows-1252", false})}};
}

TEST(ConversionOutput, EveryConversionOfTheFullSampleIsUnchangedToTheByte) {
    SUBTITLES sample;
    bench::AddSampleTitles(sample);
    std::map<std::string, std::string> outputs = writtenAllWays(sample, "store");
    for (const char* format : {"srt", "sub", "smi"}) {
        SUBTITLES store;
        MarkupState markup;
        SamiState sami;
        LineReader in(DecodeText(outputs[std::string("store to ") + format]).utf8);
        const ReadOutcome outcome = format == std::string("srt")   ? ReadSubRip(in, store, markup)
                                    : format == std::string("sub") ? ReadMicroDVD(in, store, markup, 25.0)
                                                                   : ReadSami(in, store, sami);
        ASSERT_TRUE(outcome.complete()) << format;
        outputs.merge(writtenAllWays(store, format));
    }
    // Taken from the code before its reading and writing were made faster.
    const std::map<std::string, uint64_t> expected = {
#include "conversion_output_digests.inc"
    };
    std::map<std::string, uint64_t> digests;
    for (const auto& [name, bytes] : outputs) digests[name] = fnv1a(bytes);
    EXPECT_EQ(digests, expected);
}

} // namespace
} // namespace cuemark
