# cuemark_test_program(<target> <source> <libs...>)
# One test program, told where the test data and the built tools are.
function(cuemark_test_program target source)
  add_executable(${target} ${source})
  target_link_libraries(${target} PRIVATE ${ARGN})
  target_compile_definitions(${target} PRIVATE
    CUEMARK_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
    CUEMARK_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
endfunction()

# cuemark_add_test_programs(<part> <gtest|qtest> LIBS <libs...>)
# Every *_test.cpp of the calling folder becomes one test program,
# <part>_<file>, registered with CTest as below.
function(cuemark_add_test_programs part kind)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME_WE)
    set(target ${part}_${name})
    if(kind STREQUAL "gtest")
      cuemark_test_program(${target} ${source} ${ARG_LIBS} GTest::gtest GTest::gtest_main)
      gtest_discover_tests(${target} TEST_PREFIX "${part}." DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8")
    else()
      cuemark_test_program(${target} ${source} ${ARG_LIBS} Qt6::Test)
      add_test(NAME ${part}.${name} COMMAND ${target})
      set_tests_properties(${part}.${name} PROPERTIES
        ENVIRONMENT "LC_ALL=C.UTF-8;QT_QPA_PLATFORM=offscreen;QT_MEDIA_BACKEND=gstreamer"
        TIMEOUT 300)
    endif()
  endforeach()
endfunction()

# cuemark_add_gtests(<part> LIBS <libs...>)
# GoogleTest programs; their cases are registered with CTest as
# <part>.<Suite>.<Case>, so names stay unique.
function(cuemark_add_gtests part)
  cuemark_add_test_programs(${part} gtest ${ARGN})
endfunction()

# cuemark_add_qtests(<part> LIBS <libs...>)
# Qt Test programs, registered as <part>.<name>, run on the offscreen
# platform with the GStreamer backend.
function(cuemark_add_qtests part)
  cuemark_add_test_programs(${part} qtest ${ARGN})
endfunction()
