# The embedded player's clock on the real backend, headless: a plain program
# that prints its figures (it needs a running event loop, not repetitions).
if(TARGET cuemark_app)
  add_executable(bench_player_precision ${CMAKE_CURRENT_LIST_DIR}/player_precision.cpp)
  target_link_libraries(bench_player_precision PRIVATE cuemark_app)
endif()
