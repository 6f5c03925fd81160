#include "subtitles/private_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace cuemark {

namespace {

std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    const std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/'));
}

} // namespace

void* OpenPrivateLibrary(const std::string& fileName, std::string* why) {
    const std::string folder = programFolder();
    std::string reasons;
    for (const std::string& candidate : {folder + "/" + fileName, folder + "/../lib/cuemark/" + fileName}) {
        if (void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
        const char* error = ::dlerror();
        reasons += (reasons.empty() ? "" : "; ") + std::string(error != nullptr ? error : candidate);
    }
    if (why != nullptr) *why = reasons;
    return nullptr;
}

} // namespace cuemark
