# qmx2-at: AT commands by hand against the card's port (through qmx2-device or a tty directly).
add_library(qmx2_at_tool_options STATIC ${CMAKE_CURRENT_LIST_DIR}/at_tool_options.cpp)

add_executable(qmx2-at ${CMAKE_CURRENT_LIST_DIR}/at_tool_main.cpp)
target_link_libraries(qmx2-at PRIVATE qmx2_at_tool_options qmx2_device_host qmx2_common
  qmx2_registry qmx2_files)
