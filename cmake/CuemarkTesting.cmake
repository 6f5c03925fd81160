# cuemark_test_program(<target> <source> <libs...>)
# One test program, told where the test data and the built tools are.
function(cuemark_test_program target source)
  add_executable(${target} ${source})
  target_link_libraries(${target} PRIVATE ${ARGN})
  target_compile_definitions(${target} PRIVATE
    CUEMARK_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
    CUEMARK_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
endfunction()

# cuemark_add_gtests(<part> LIBS <libs...>)
# Every tests/<part>/*_test.cpp becomes one test program; its cases are
# registered with CTest as <part>.<Suite>.<Case>, so names stay unique.
function(cuemark_add_gtests part)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME_WE)
    set(target ${part}_${name})
    cuemark_test_program(${target} ${source} ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${target} TEST_PREFIX "${part}." DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8")
  endforeach()
endfunction()

# cuemark_add_qtests(<part> LIBS <libs...>)
# Every tests/<part>/*_test.cpp becomes one Qt Test program, registered as
# <part>.<name>, run on the offscreen platform with the GStreamer backend.
function(cuemark_add_qtests part)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME_WE)
    set(target ${part}_${name})
    cuemark_test_program(${target} ${source} ${ARG_LIBS} Qt6::Test)
    add_test(NAME ${part}.${name} COMMAND ${target})
    set_tests_properties(${part}.${name} PROPERTIES
      ENVIRONMENT "LC_ALL=C.UTF-8;QT_QPA_PLATFORM=offscreen;QT_MEDIA_BACKEND=gstreamer"
      TIMEOUT 300)
  endforeach()
endfunction()
