# qmx2-at's command-line parsing against arbitrary arguments (libFuzzer; clang with
# -DQMX2_FUZZ=ON). The parser's source is compiled in so the fuzzer sees its coverage.
add_executable(at_tool_options_fuzz
  ${CMAKE_CURRENT_LIST_DIR}/at_tool_options_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../../devices/at_tool/at_tool_options.cpp
)
target_compile_options(at_tool_options_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(at_tool_options_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
