# Latency of the handheld's registry: QueryValue, SetValue and EnumValue over a key of 50 values.
find_package(benchmark REQUIRED)
add_executable(platform_registry_bench ${CMAKE_CURRENT_LIST_DIR}/registry_bench.cpp)
target_link_libraries(platform_registry_bench PRIVATE qmx2_registry benchmark::benchmark)
