# The manager's start-up and polling benchmark on the card double, in virtual time.
find_package(benchmark REQUIRED)
add_executable(manager_startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
target_link_libraries(manager_startup_bench PRIVATE qmx2_manager_test_doubles qmx2_card
  benchmark::benchmark)
target_compile_definitions(manager_startup_bench PRIVATE QMX2_BENCH_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
