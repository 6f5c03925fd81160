// kvreg: a small command over the keyvane exports, for looking at and
// changing the settings store by hand.

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keyvane/keyvane.h"
#include "platform/automation.h"
#include "platform/registry.h"

namespace {

constexpr const char* usage =
    "Usage: kvreg list PATH\n"
    "  or:  kvreg get PATH NAME\n"
    "  or:  kvreg set PATH NAME --dword N | --text T\n"
    "  or:  kvreg delete PATH [NAME]\n"
    "  or:  kvreg --help\n"
    "\n"
    "PATH is a key path such as 'HKCU\\Software\\Tavrel\\Cuemark'; its root is one of\n"
    "HKCU, HKLM, HKCR, HKCC, HKU or their long names (HKEY_CURRENT_USER, ...), in\n"
    "capitals. NAME '' is the key's default value, shown as (Default).\n"
    "\n"
    "  list    prints each sub-key as [name], then each value as NAME  TYPE  DATA\n"
    "  get     prints the data of one text or number value\n"
    "  set     writes a number (REG_DWORD, -2147483648 to 4294967295, decimal or\n"
    "          0x hexadecimal) or a text (REG_SZ), creating missing keys\n"
    "  delete  deletes the value NAME, or without NAME the key PATH itself\n"
    "          (a key with sub-keys is not deleted)\n"
    "\n"
    "Exit status: 0 on success, 1 on failure with a message on standard error. A\n"
    "store file that cannot be used is named there with what is wrong with it:\n"
    "damaged, not a settings store, no permission to read, or a read-only folder\n"
    "or file (which can still be read).\n";

struct StringFree {
    void operator()(char* s) const { SysFreeString(s); }
};
using String = std::unique_ptr<char, StringFree>;

struct ArrayDestroy {
    void operator()(SAFEARRAY* a) const { SafeArrayDestroy(a); }
};
using Array = std::unique_ptr<SAFEARRAY, ArrayDestroy>;

struct Failure {
    std::string message;
};

std::string fromBstr(const String& s) {
    return s ? std::string(s.get(), SysStringByteLen(s.get())) : std::string();
}

std::string quoted(std::string_view s) {
    return "'" + std::string(s) + "'";
}

std::string_view typeName(std::int32_t type) {
    switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return "REG_LINK";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return {};
    }
}

// A failed call says no more than that it failed; the store can say why
// (a damaged or foreign file, no permission, a read-only folder). Throws
// that cause, naming the file, when there is one.
void failOnStoreProblem(bool writing) {
    const std::int32_t forWriting = writing ? -1 : 0;
    const std::string problem = fromBstr(String(RegStoreProblem(&forWriting)));
    if (!problem.empty()) {
        throw Failure{problem};
    }
}

class Key {
public:
    explicit Key(std::string path) : path_(std::move(path)), text_(path_.c_str()) {}

    const std::string& path() const { return path_; }
    const char* const* arg() const { return &text_; }
    bool exists() const { return RegGetnValues(&text_) >= 0; }

    std::vector<std::string> subKeyNames() const { return names(RegGetnSubKeys(&text_), RegGetSubKeyNames); }
    std::vector<std::string> valueNames() const { return names(RegGetnValues(&text_), RegGetValueNames); }

    std::int32_t type(const std::string& name) const {
        const char* n = name.c_str();
        return RegValueType(&text_, &n);
    }

    // The data as list and get show it; nothing for types kvreg cannot read.
    std::optional<std::string> data(const std::string& name, std::int32_t type) const {
        const char* n = name.c_str();
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            const char* none = "";
            return fromBstr(String(RegGetStringValue(&text_, &n, &none)));
        }
        if (type == REG_DWORD) {
            const std::int32_t zero = 0;
            return std::to_string(RegGetDwordValue(&text_, &n, &zero));
        }
        return std::nullopt;
    }

private:
    using Lister = std::int32_t (*)(const char* const*, SAFEARRAY* const*);

    std::vector<std::string> names(std::int32_t count, Lister list) const {
        if (count < 0) {
            failOnStoreProblem(false);
            throw Failure{"key not found: " + path_};
        }
        std::vector<std::string> result;
        if (count == 0) {
            return result;
        }
        Array array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<std::uint32_t>(count)));
        SAFEARRAY* raw = array.get();
        if (!array || list(&text_, &raw) == 0) {
            throw Failure{"cannot list " + path_};
        }
        const char* const* elements = static_cast<const char* const*>(array->pvData);
        for (std::int32_t i = 0; i < count; ++i) {
            // An element stays empty for a name too long to list.
            if (elements[i] != nullptr) {
                result.emplace_back(elements[i], SysStringByteLen(const_cast<char*>(elements[i])));
            }
        }
        return result;
    }

    std::string path_;
    const char* text_;
};

std::string shownName(const std::string& name) {
    return name.empty() ? "(Default)" : name;
}

bool hasValue(const Key& key, const std::string& name) {
    for (const auto& n : key.valueNames()) {
        if (n == name) {
            return true;
        }
    }
    return false;
}

void list(const Key& key) {
    const auto subKeys = key.subKeyNames();
    const auto values = key.valueNames();
    for (const auto& name : subKeys) {
        std::printf("[%s]\n", name.c_str());
    }
    for (const auto& name : values) {
        const std::int32_t type = key.type(name);
        const std::string_view known = typeName(type);
        const std::string shownType = known.empty() ? "type " + std::to_string(type) : std::string(known);
        const auto data = key.data(name, type);
        std::printf("%s  %s  %s\n", shownName(name).c_str(), shownType.c_str(), data ? data->c_str() : "(not shown)");
    }
}

void get(const Key& key, const std::string& name) {
    if (!key.exists()) {
        failOnStoreProblem(false);
        throw Failure{"key not found: " + key.path()};
    }
    const std::int32_t type = key.type(name);
    if (type == REG_NONE && !hasValue(key, name)) {
        throw Failure{"value not found: " + quoted(name) + " under " + key.path()};
    }
    const auto data = key.data(name, type);
    if (!data) {
        const std::string_view known = typeName(type);
        throw Failure{"value " + quoted(name) + " is " +
                      (known.empty() ? "of type " + std::to_string(type) : std::string(known)) +
                      ", which kvreg cannot show"};
    }
    std::printf("%s\n", data->c_str());
}

std::optional<std::int32_t> parseNumber(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = text.c_str() + (hex ? 2 : 0);
    if (*digits == '\0' || std::isspace(static_cast<unsigned char>(*digits)) || (hex && *digits == '-')) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(digits, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > static_cast<long long>(UINT32_MAX)) {
        return std::nullopt;
    }
    // Above INT32_MAX the same 32 bits are stored as the library's signed number.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void set(const Key& key, const std::string& name, const std::string& kind, const std::string& data) {
    const char* n = name.c_str();
    std::int32_t written = 0;
    if (kind == "--dword") {
        const auto number = parseNumber(data);
        if (!number) {
            throw Failure{"not a 32-bit number: " + quoted(data)};
        }
        written = RegSetDwordValue(key.arg(), &n, &*number);
    } else if (kind == "--text") {
        const char* text = data.c_str();
        written = RegSetStringValue(key.arg(), &n, &text);
    } else {
        throw Failure{"set wants --dword N or --text T, not " + quoted(kind) + "\n" + usage};
    }
    if (written == 0) {
        failOnStoreProblem(true);
        throw Failure{"cannot write " + quoted(name) + " under " + key.path() + " (is the root name right?)"};
    }
}

void deleteValue(const Key& key, const std::string& name) {
    const char* n = name.c_str();
    if (RegVBDeleteValue(key.arg(), &n) == 0) {
        failOnStoreProblem(true);
        throw Failure{key.exists() ? "value not found: " + quoted(name) + " under " + key.path()
                                   : "key not found: " + key.path()};
    }
}

void deleteKey(const Key& key) {
    std::string path = key.path();
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos) {
        throw Failure{"will not delete a root key: " + key.path()};
    }
    const std::string parent = path.substr(0, slash);
    const std::string child = path.substr(slash + 1);
    const char* p = parent.c_str();
    const char* c = child.c_str();
    if (RegVBDeleteKey(&p, &c) != 0) {
        return;
    }
    failOnStoreProblem(true);
    if (!key.exists()) {
        throw Failure{"key not found: " + key.path()};
    }
    throw Failure{"cannot delete " + key.path() + (RegGetnSubKeys(key.arg()) > 0 ? ": it has sub-keys" : "")};
}

int run(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    const std::string command = args.empty() ? std::string() : args[0];
    const std::size_t n = args.size();
    if (command == "list" && n == 2) {
        list(Key(args[1]));
    } else if (command == "get" && n == 3) {
        get(Key(args[1]), args[2]);
    } else if (command == "set" && n == 5) {
        set(Key(args[1]), args[2], args[3], args[4]);
    } else if (command == "delete" && n == 3) {
        deleteValue(Key(args[1]), args[2]);
    } else if (command == "delete" && n == 2) {
        deleteKey(Key(args[1]));
    } else {
        const bool known = command == "list" || command == "get" || command == "set" || command == "delete";
        throw Failure{(command.empty() ? std::string("no command given")
                       : known         ? "wrong arguments for " + command
                                       : "unknown command " + quoted(command)) +
                      "\n" + usage};
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "kvreg: %s\n", failure.message.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kvreg: %s\n", error.what());
    }
    return 1;
}
