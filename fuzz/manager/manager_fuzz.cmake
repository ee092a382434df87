# libFuzzer targets for the manager's reply parsers (built with -DQMX2_FUZZ=ON and clang). The
# parsers are compiled into each target so that they carry the fuzzer's coverage.
set(_parsers ${CMAKE_SOURCE_DIR}/manager)
add_executable(fuzz_cmgr ${CMAKE_CURRENT_LIST_DIR}/fuzz_cmgr.cpp ${_parsers}/messages/read_parser.cpp)
add_executable(fuzz_cmgl ${CMAKE_CURRENT_LIST_DIR}/fuzz_cmgl.cpp ${_parsers}/messages/read_parser.cpp)
add_executable(fuzz_cpbr ${CMAKE_CURRENT_LIST_DIR}/fuzz_cpbr.cpp ${_parsers}/phonebook/cpbr_parser.cpp)
foreach(target fuzz_cmgr fuzz_cmgl fuzz_cpbr)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()

# The unpackers of the local data files.
add_executable(fuzz_data_files ${CMAKE_CURRENT_LIST_DIR}/fuzz_data_files.cpp ${_parsers}/store/data_pack.cpp)
target_compile_options(fuzz_data_files PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(fuzz_data_files PRIVATE -fsanitize=fuzzer,address,undefined)
