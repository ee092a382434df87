# Speed of the emulated GSM card: reply latency and line-rate accuracy.
find_package(benchmark REQUIRED)
add_executable(card_bench ${CMAKE_CURRENT_LIST_DIR}/card_bench.cpp)
target_link_libraries(card_bench PRIVATE qmx2_card benchmark::benchmark)
