# The audio engine on a 45-minute AAC film: decoding with peaks and speech
# against ffmpeg's own decoding, the first strip's worth of peaks, a cached
# reopen and the memory two hours take; then the sync of 700 titles to a
# 45-minute spoken film (from nothing and cached) and of 32,700 titles to
# another file. A plain program that prints its figures (each is one long
# run, not a repetition). The spoken film comes from the sync tests' maker.
add_executable(bench_audio ${CMAKE_CURRENT_LIST_DIR}/audio_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
target_link_libraries(bench_audio PRIVATE audio)
target_include_directories(bench_audio PRIVATE ${CMAKE_SOURCE_DIR}/tests/audio ${CMAKE_SOURCE_DIR}/tests/subtitles)
