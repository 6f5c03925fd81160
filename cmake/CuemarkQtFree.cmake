# cuemark_keep_qt_free(<what>)
# Stops the configure when a header or source of the calling folder includes
# Qt: the engine parts must stay usable without a GUI toolkit.
function(cuemark_keep_qt_free what)
  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} qt_includes REGEX "#include *<Q")
    if(qt_includes)
      message(FATAL_ERROR "${file} includes Qt; ${what} must stay Qt-free")
    endif()
  endforeach()
endfunction()
