# Throughput and latency of the driver on the emulated card and the emulated built-in ports.
find_package(benchmark REQUIRED)
add_executable(driver_throughput_bench ${CMAKE_CURRENT_LIST_DIR}/driver_throughput_bench.cpp)
target_link_libraries(driver_throughput_bench PRIVATE qmx2_card_stack_support qmx2_driver_builtin qmx2_dmauart
  benchmark::benchmark)
