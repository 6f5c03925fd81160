#include "app/desktop/keyvane_settings.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <type_traits>
#include <iostream>
#include <vector>

namespace cuemark {

namespace {

using Bstr = char*;
using GetStringFn = Bstr (*)(const char* const*, const char* const*, const char* const*);
using GetDwordFn = std::int32_t (*)(const char* const*, const char* const*, const std::int32_t*);
using SetStringFn = std::int32_t (*)(const char* const*, const char* const*, const char* const*);
using SetDwordFn = std::int32_t (*)(const char* const*, const char* const*, const std::int32_t*);
using FreeStringFn = void (*)(Bstr);
using StringByteLenFn = std::uint32_t (*)(Bstr);
using StoreProblemFn = Bstr (*)(const std::int32_t*);

constexpr std::int32_t Success = -1;

std::string programFolder() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return ".";
    const std::string program(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = program.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : program.substr(0, slash);
}

std::string lastError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

} // namespace

struct KeyvaneSettings::Library {
    bool bound = false;
    // The library is never unloaded: its registry layer registers fork
    // handlers and keeps its store open for the whole process.
    void* handle = nullptr;
    GetStringFn getString = nullptr;
    GetDwordFn getDword = nullptr;
    SetStringFn setString = nullptr;
    SetDwordFn setDword = nullptr;
    FreeStringFn freeString = nullptr;
    StringByteLenFn stringByteLen = nullptr;
    StoreProblemFn storeProblem = nullptr; // absent from older libraries

    // "FILE: CAUSE", or empty when nothing is wrong (or the library cannot tell).
    std::string problem(bool forWriting) const {
        if (storeProblem == nullptr) return {};
        const std::int32_t writing = forWriting ? -1 : 0;
        const Bstr text = storeProblem(&writing);
        if (text == nullptr) return {};
        std::string told(text, stringByteLen != nullptr ? stringByteLen(text) : std::strlen(text));
        freeString(text);
        return told;
    }

    // Said once, like a missing library. A store that cannot be read leaves
    // the defaults in use and the file as it is, for the user to look into;
    // one that cannot be written is still read.
    void tellStoreProblem() const {
        if (const std::string unreadable = problem(false); !unreadable.empty()) {
            std::cerr << "cuemark: settings file " << unreadable
                      << "; using default settings and leaving the file as it is" << std::endl;
        } else if (const std::string unwritable = problem(true); !unwritable.empty()) {
            std::cerr << "cuemark: settings file " << unwritable << std::endl;
        }
    }
};

KeyvaneSettings::KeyvaneSettings() = default;

KeyvaneSettings::KeyvaneSettings(std::string libraryPath) : libraryPath_(std::move(libraryPath)) {}

KeyvaneSettings::~KeyvaneSettings() {
    delete library_;
}

KeyvaneSettings::Library& KeyvaneSettings::library() {
    if (library_ != nullptr) return *library_;
    library_ = new Library;

    std::vector<std::string> candidates;
    if (!libraryPath_.empty()) {
        candidates.push_back(libraryPath_);
    } else {
        const std::string folder = programFolder();
        candidates.push_back(folder + "/libkeyvane.so");
        candidates.push_back(folder + "/../lib/cuemark/libkeyvane.so");
    }

    std::string why;
    for (const std::string& candidate : candidates) {
        library_->handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library_->handle != nullptr) break;
        why += (why.empty() ? "" : "; ") + lastError();
    }

    if (library_->handle != nullptr) {
        Library& lib = *library_;
        const auto bind = [&lib, &why](auto& function, const char* name) {
            dlerror();
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(lib.handle, name));
            if (function == nullptr && why.empty()) why = lastError();
        };
        bind(lib.getString, "RegGetStringValue");
        bind(lib.getDword, "RegGetDwordValue");
        bind(lib.setString, "RegSetStringValue");
        bind(lib.setDword, "RegSetDwordValue");
        bind(lib.freeString, "SysFreeString");
        lib.stringByteLen = reinterpret_cast<StringByteLenFn>(dlsym(lib.handle, "SysStringByteLen"));
        lib.storeProblem = reinterpret_cast<StoreProblemFn>(dlsym(lib.handle, "RegStoreProblem"));
        lib.bound = why.empty();
    }

    if (!library_->bound) {
        std::cerr << "cuemark: settings library not available, using default settings (" << why << ")" << std::endl;
    } else {
        library_->tellStoreProblem();
    }
    return *library_;
}

bool KeyvaneSettings::available() {
    return library().bound;
}

std::int32_t KeyvaneSettings::GetDword(const std::string& name, std::int32_t defaultNumber) {
    const Library& lib = library();
    if (!lib.bound) return defaultNumber;
    const char* path = KeyPath;
    const char* valueName = name.c_str();
    return lib.getDword(&path, &valueName, &defaultNumber);
}

std::string KeyvaneSettings::GetString(const std::string& name, const std::string& defaultText) {
    const Library& lib = library();
    if (!lib.bound) return defaultText;
    const char* path = KeyPath;
    const char* valueName = name.c_str();
    const char* defaultValue = defaultText.c_str();
    const Bstr result = lib.getString(&path, &valueName, &defaultValue);
    if (result == nullptr) return defaultText; // the library ran out of memory
    const std::size_t length = lib.stringByteLen != nullptr ? lib.stringByteLen(result) : std::strlen(result);
    std::string text(result, length);
    lib.freeString(result);
    return text;
}

bool KeyvaneSettings::SetDword(const std::string& name, std::int32_t number) {
    const Library& lib = library();
    if (!lib.bound) return false;
    const char* path = KeyPath;
    const char* valueName = name.c_str();
    return lib.setDword(&path, &valueName, &number) == Success;
}

bool KeyvaneSettings::SetString(const std::string& name, const std::string& text) {
    const Library& lib = library();
    if (!lib.bound) return false;
    const char* path = KeyPath;
    const char* valueName = name.c_str();
    const char* value = text.c_str();
    return lib.setString(&path, &valueName, &value) == Success;
}

} // namespace cuemark
