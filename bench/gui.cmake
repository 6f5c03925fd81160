# The main window's own speed: start-up, a full file through the GUI, and
# the display timer's handler.
if(TARGET cuemark_app)
  add_executable(bench_gui
    ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  target_link_libraries(bench_gui PRIVATE cuemark_app Qt6::Test)
  add_dependencies(bench_gui keyvane)
endif()
