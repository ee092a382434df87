# Serial ports of the device host as other programs reach them: the socket protocol and the
# remote device resolver.
add_library(qmx2_serial_remote STATIC
  ${CMAKE_CURRENT_LIST_DIR}/serial_wire.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_remote.cpp
)
target_link_libraries(qmx2_serial_remote PUBLIC qmx2_platform)
