# The core of the platform stand-ins: clock, events, threads, last error, text, device files,
# the serial port rules.
add_library(qmx2_platform STATIC
  ${CMAKE_CURRENT_LIST_DIR}/clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sync.cpp
  ${CMAKE_CURRENT_LIST_DIR}/last_error.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/devices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_port_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/terminal.cpp
)
target_link_libraries(qmx2_platform PUBLIC Threads::Threads)
