cuemark_add_fuzzer(fuzz_encoding ${CMAKE_CURRENT_SOURCE_DIR}/encoding_fuzz.cpp LIBS subtitles)
