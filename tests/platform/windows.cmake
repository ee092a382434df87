# Window message tests: in one process on the virtual clock, the wire format, through the
# sockets with two window systems in one process, and between real programs through the peer
# program below.
qmx2_test(platform_windows_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/windows_local_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/windows_wire_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/windows_socket_test.cpp
  LIBS qmx2_windows)

add_executable(platform_windows_peer ${CMAKE_CURRENT_LIST_DIR}/windows_peer.cpp)
target_link_libraries(platform_windows_peer PRIVATE qmx2_windows)

qmx2_test(platform_windows_process_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/windows_process_test.cpp
  LIBS qmx2_windows)
add_dependencies(platform_windows_process_test platform_windows_peer)
target_compile_definitions(platform_windows_process_test
  PRIVATE QMX2_WINDOWS_PEER="$<TARGET_FILE:platform_windows_peer>")
