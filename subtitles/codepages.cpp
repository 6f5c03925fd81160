#include "subtitles/codepages.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <vector>

namespace cuemark::codepages {

namespace {

constexpr const char* FileName = "libcuemark_codepages.so";

std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    const std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/'));
}

struct Opened {
    Library library{};
    bool loaded = false;
    std::string why;

    Opened() {
        const std::string folder = programFolder();
        void* handle = nullptr;
        for (const std::string& candidate : {folder + "/" + FileName, folder + "/../lib/cuemark/" + FileName}) {
            handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle != nullptr) break;
            const char* error = ::dlerror();
            why += (why.empty() ? "" : "; ") + std::string(error != nullptr ? error : candidate);
        }
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
