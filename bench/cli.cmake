# Whole-process conversions with cuemark-cli, and Locate on a full store.
add_executable(bench_cli ${CMAKE_CURRENT_LIST_DIR}/cli_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
target_link_libraries(bench_cli PRIVATE subtitles benchmark::benchmark)
target_include_directories(bench_cli PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(bench_cli PRIVATE CUEMARK_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(bench_cli cuemark-cli)

add_executable(bench_store ${CMAKE_CURRENT_LIST_DIR}/store_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
target_link_libraries(bench_store PRIVATE subtitles benchmark::benchmark)
target_include_directories(bench_store PRIVATE ${CMAKE_CURRENT_LIST_DIR})
