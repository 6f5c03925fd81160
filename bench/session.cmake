# The session journal: its cost on the user-interface thread, the time from a
# change to its record on the disk, and recovery of a long session.
add_executable(bench_session
  ${CMAKE_CURRENT_LIST_DIR}/session_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
target_link_libraries(bench_session PRIVATE session benchmark::benchmark)
