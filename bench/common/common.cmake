# CPU per received byte and heap allocations of the AT command transaction.
find_package(benchmark REQUIRED)
add_executable(common_at_transaction_bench ${CMAKE_CURRENT_LIST_DIR}/at_transaction_bench.cpp)
target_link_libraries(common_at_transaction_bench PRIVATE qmx2_common benchmark::benchmark)
