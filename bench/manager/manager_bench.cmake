# The manager's start-up and polling benchmark on the card double, in virtual time.
find_package(benchmark REQUIRED)
add_executable(manager_startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
target_link_libraries(manager_startup_bench PRIVATE qmx2_manager_test_doubles qmx2_card
  benchmark::benchmark)
target_compile_definitions(manager_startup_bench PRIVATE QMX2_BENCH_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# qmx2ctl's status and SIM book listing on the full SIM: virtual time and through the device host.
add_executable(manager_ctl_bench ${CMAKE_CURRENT_LIST_DIR}/ctl_bench.cpp)
target_link_libraries(manager_ctl_bench PRIVATE qmx2_manager_ctl qmx2_manager_test_doubles qmx2_card
  benchmark::benchmark)
target_compile_definitions(manager_ctl_bench PRIVATE QMX2_BENCH_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  QMX2_BENCH_BUILD_DIR="${CMAKE_BINARY_DIR}")
foreach(program qmx2-device qmx2ctl Qmx2Com qmx2-reg serqmx2)
  if(TARGET ${program})
    add_dependencies(manager_ctl_bench ${program})
  endif()
endforeach()
