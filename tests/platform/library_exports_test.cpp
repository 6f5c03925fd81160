// What a program that loads libplatform_registry.so can reach: the registry
// functions and the description of a store's problem, and not the reset that
// only the tests may call.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RegistryLibraryExports, OfferTheRegistryFunctionsButNotTheTestReset) {
    void* library = dlopen((std::string(CUEMARK_BIN_DIR) + "/libplatform_registry.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name :
         {"RegOpenKeyExA", "RegCreateKeyExA", "RegQueryValueExA", "RegSetValueExA", "RegQueryInfoKeyA", "RegEnumKeyExA",
          "RegEnumValueA", "RegDeleteValueA", "RegDeleteKeyA", "RegCloseKey", "RegDescribeStoreProblemA"}) {
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    }
    EXPECT_EQ(dlsym(library, "RegPlatformResetForTests"), nullptr);
    dlclose(library);
}

} // namespace
