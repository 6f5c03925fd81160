# Each format's reader on arbitrary text, then its writer on what was read.
foreach(format subrip microdvd sami)
  cuemark_add_fuzzer(fuzz_${format} ${CMAKE_CURRENT_LIST_DIR}/${format}_fuzz.cpp LIBS subtitles)
endforeach()
