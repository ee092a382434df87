# The stop-rule engine against the whole-reply search (libFuzzer; clang with -DQMX2_FUZZ=ON).
# The engine's source is compiled into the target so that the fuzzer sees its coverage.
add_executable(common_stop_rules_fuzz
  ${CMAKE_CURRENT_LIST_DIR}/stop_rules_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../../common/stop_rules.cpp
)
target_compile_options(common_stop_rules_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(common_stop_rules_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)

# The "+COPS" parsers: the standard forms (common) and the card's flat search list (commander).
add_executable(cops_fuzz ${CMAKE_CURRENT_LIST_DIR}/cops_fuzz.cpp)
target_link_libraries(cops_fuzz PRIVATE qmx2_commander qmx2_common)
target_compile_options(cops_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(cops_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
