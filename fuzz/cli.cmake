# The command line's time text, parsed alone and within a whole command line.
cuemark_add_fuzzer(fuzz_cli_time ${CMAKE_CURRENT_LIST_DIR}/cli_time_fuzz.cpp LIBS cuemark_cli_core)
