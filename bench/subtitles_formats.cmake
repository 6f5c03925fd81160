# Reading and writing the three subtitle formats on a full, generated store.
add_executable(bench_formats
  ${CMAKE_CURRENT_LIST_DIR}/formats_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
target_link_libraries(bench_formats PRIVATE subtitles benchmark::benchmark)
