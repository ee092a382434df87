# The platform's decoders of bytes from other programs and people (libFuzzer; clang with
# -DQMX2_FUZZ=ON): window-message frames and entry files, the device host's socket payloads,
# and qmx2-reg's text. Each decoder's source is compiled into its target for coverage.
set(_platform_dir ${CMAKE_CURRENT_LIST_DIR}/../../platform)
add_executable(windows_wire_fuzz ${CMAKE_CURRENT_LIST_DIR}/windows_wire_fuzz.cpp
  ${_platform_dir}/windows_wire.cpp)
target_link_libraries(windows_wire_fuzz PRIVATE qmx2_platform)
add_executable(serial_wire_fuzz ${CMAKE_CURRENT_LIST_DIR}/serial_wire_fuzz.cpp
  ${_platform_dir}/serial_wire.cpp)
target_link_libraries(serial_wire_fuzz PRIVATE qmx2_platform)
add_executable(registry_text_fuzz ${CMAKE_CURRENT_LIST_DIR}/registry_text_fuzz.cpp
  ${_platform_dir}/registry_text.cpp)
target_link_libraries(registry_text_fuzz PRIVATE qmx2_files)
foreach(target windows_wire_fuzz serial_wire_fuzz registry_text_fuzz)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()

# Whole qmx2-reg command lines on a root made for the run.
add_executable(registry_tool_fuzz ${CMAKE_CURRENT_LIST_DIR}/registry_tool_fuzz.cpp
  ${_platform_dir}/registry_tool.cpp ${_platform_dir}/registry_text.cpp)
target_link_libraries(registry_tool_fuzz PRIVATE qmx2_registry qmx2_files)
target_compile_options(registry_tool_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(registry_tool_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
