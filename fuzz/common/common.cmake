# The stop-rule engine against the whole-reply search (libFuzzer; clang with -DQMX2_FUZZ=ON).
# The engine's source is compiled into the target so that the fuzzer sees its coverage.
add_executable(common_stop_rules_fuzz
  ${CMAKE_CURRENT_LIST_DIR}/stop_rules_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../../common/stop_rules.cpp
)
target_compile_options(common_stop_rules_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(common_stop_rules_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
