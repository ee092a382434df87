# Window messages between threads and programs of one handheld (platform/windows.h).
add_library(qmx2_windows STATIC
  ${CMAKE_CURRENT_LIST_DIR}/windows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows_core.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows_entries.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows_socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows_wire.cpp
)
target_link_libraries(qmx2_windows PUBLIC qmx2_platform)
