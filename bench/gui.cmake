# The main window's own speed: start-up, a full file through the GUI, and
# the display timer's handler.
if(TARGET cuemark_app)
  add_executable(bench_gui
    ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
  target_link_libraries(bench_gui PRIVATE cuemark_app)
  add_dependencies(bench_gui keyvane)
endif()
