#pragma once
// The program's settings under "HKCU\Software\Tavrel\Cuemark", read and
// written through libkeyvane.so. The library is bound by name at the first
// call; when it cannot be loaded, reads give the defaults, writes do
// nothing, and the reason is told once on standard error. So is a store
// file that cannot be read (damaged, not a settings store, no permission):
// the defaults are used and the file is never written. A store that can be
// read but not written (a read-only folder) is read and told of.

#include <cstdint>
#include <string>

namespace cuemark {

class KeyvaneSettings {
public:
    static constexpr const char* KeyPath = "HKCU\\Software\\Tavrel\\Cuemark";

    // The library beside the running program, or where it is installed.
    KeyvaneSettings();
    explicit KeyvaneSettings(std::string libraryPath);
    ~KeyvaneSettings();
    KeyvaneSettings(const KeyvaneSettings&) = delete;
    KeyvaneSettings& operator=(const KeyvaneSettings&) = delete;

    std::int32_t GetDword(const std::string& name, std::int32_t defaultNumber);
    std::string GetString(const std::string& name, const std::string& defaultText);
    bool SetDword(const std::string& name, std::int32_t number);
    bool SetString(const std::string& name, const std::string& text);

    // True once the library was found and bound (binds on first use).
    bool available();

private:
    struct Library;
    Library& library();

    std::string libraryPath_;
    Library* library_ = nullptr;
};

} // namespace cuemark
