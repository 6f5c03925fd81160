# The editor's speed on a full store: opening, the commands over every row,
# shift, stretch and find, each with its list refresh.
if(TARGET cuemark_app)
  add_executable(bench_editor
    ${CMAKE_CURRENT_LIST_DIR}/editor_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  target_link_libraries(bench_editor PRIVATE cuemark_app Qt6::Test)
  add_dependencies(bench_editor keyvane)
endif()
