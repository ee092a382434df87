# The emulated card's parser and engine against arbitrary host bytes (libFuzzer; clang with
# -DQMX2_FUZZ=ON). The card's sources are compiled into the target so the fuzzer sees them.
file(GLOB _card_sources ${CMAKE_CURRENT_LIST_DIR}/../../hardware/card/*.cpp)
list(FILTER _card_sources EXCLUDE REGEX "(card_port|card_port_control|control|control_server|sim_card|line_pacer)\\.cpp$")
add_executable(card_phone_fuzz ${CMAKE_CURRENT_LIST_DIR}/card_phone_fuzz.cpp ${_card_sources})
target_link_libraries(card_phone_fuzz PRIVATE qmx2_platform nlohmann_json::nlohmann_json)
target_compile_options(card_phone_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(card_phone_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)

# The scenario loader and the control socket's command lines.
foreach(target scenario_fuzz control_fuzz)
  add_executable(${target} ${CMAKE_CURRENT_LIST_DIR}/${target}.cpp)
  target_link_libraries(${target} PRIVATE qmx2_card)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()
