#include "subtitles/codepages.h"

#include <dlfcn.h>

#include <type_traits>

#include "subtitles/private_library.h"

namespace cuemark::codepages {

namespace {

constexpr const char* FileName = "libcuemark_codepages.so";

struct Opened {
    Library library{};
    bool loaded = false;
    std::string why;

    Opened() {
        void* handle = OpenPrivateLibrary(FileName, &why);
        if (handle == nullptr) return;
        bool complete = true;
        const auto bind = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(handle, name));
            complete = complete && function != nullptr;
        };
        bind(library.open, "cm_open");
        bind(library.close, "cm_close");
        bind(library.toUtf16, "cm_to_utf16");
        bind(library.fromUtf16, "cm_from_utf16");
        bind(library.detect, "cm_detect");
        bind(library.free, "cm_free");
        loaded = complete;
        if (!complete) why = std::string(FileName) + " lacks one of its functions";
    }
};

} // namespace

const Library* Load(std::string* why) {
    // Opened once, by whichever thread comes first; never closed.
    static const Opened opened;
    if (!opened.loaded && why != nullptr) *why = opened.why;
    return opened.loaded ? &opened.library : nullptr;
}

} // namespace cuemark::codepages
