// Arbitrary bytes loaded as a file whose name says nothing of its format, so
// that decoding, content recognition and whichever reader it picks all run;
// then the store is rendered in each format.
#include <cstddef>
#include <cstdint>
#include <string>

#include "subtitles/subtitle_files.h"
#include "subtitles/time_text.h"

namespace {
struct Quiet : cuemark::UserSeam {
    cuemark::MessageAnswer MessageBox(const std::string&, cuemark::MessageButtons, cuemark::MessageIcon) override {
        return cuemark::MessageAnswer::OK;
    }
    void AskFrameRate(double&) override {}
    void ShowLoadingNotice() override {}
    void HideLoadingNotice() override {}
    std::optional<cuemark::SaveFileChoice> ChooseSaveFile(const cuemark::SaveFileRequest&) override {
        return std::nullopt;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cuemark::SUBTITLES store;
    Quiet seam;
    cuemark::SubtitleFiles files(store, seam);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const cuemark::LoadReport report = files.LoadSubtitlesFromBytes("input.txt", bytes);
    if (report.format == cuemark::SubtitleFormat::Unknown && store.Count() != 0) __builtin_trap();
    for (const char* name : {"out.srt", "out.sub", "out.smi"}) {
        try {
            files.RenderSubtitles(name);
        } catch (const cuemark::TimeOverflow&) {
        } catch (const cuemark::EncodingError&) {
        }
    }
    return 0;
}
