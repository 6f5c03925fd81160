# The program's own speed through its windows: bench_gui, the main window's
# start-up, a full file through the GUI and the display timer's handler;
# bench_editor, the editor on a full store (opening, the commands over every
# row, shift, stretch and find, each with its list refresh). Both bind
# libkeyvane.so at run time.
if(TARGET cuemark_app)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  foreach(window gui editor)
    add_executable(bench_${window}
      ${CMAKE_CURRENT_LIST_DIR}/${window}_bench.cpp
      ${CMAKE_CURRENT_LIST_DIR}/sample_titles.cpp)
    target_link_libraries(bench_${window} PRIVATE cuemark_app Qt6::Test)
    add_dependencies(bench_${window} keyvane)
  endforeach()
endif()
