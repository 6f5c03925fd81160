# Content recognition and the whole load frame on arbitrary bytes, and time text.
cuemark_add_fuzzer(fuzz_load ${CMAKE_CURRENT_LIST_DIR}/load_fuzz.cpp LIBS subtitles)
cuemark_add_fuzzer(fuzz_time_text ${CMAKE_CURRENT_LIST_DIR}/time_text_fuzz.cpp LIBS subtitles)
