# Path-based reads and writes through libkeyvane.so against a temporary store.
add_executable(keyvane_bench ${CMAKE_CURRENT_SOURCE_DIR}/keyvane_bench.cpp)
target_link_libraries(keyvane_bench PRIVATE keyvane platform_automation benchmark::benchmark)
