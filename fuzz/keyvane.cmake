# Phrase matching and key-path splitting, straight on the core.
cuemark_add_fuzzer(fuzz_string_match ${CMAKE_CURRENT_SOURCE_DIR}/keyvane_string_match.cpp LIBS keyvane_core)
cuemark_add_fuzzer(fuzz_key_path ${CMAKE_CURRENT_SOURCE_DIR}/keyvane_key_path.cpp LIBS keyvane_core)
