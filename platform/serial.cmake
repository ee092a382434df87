# Serial ports of the device host as other programs reach them: the socket protocol and the
# remote device resolver.
add_library(qmx2_serial_remote STATIC
  ${CMAKE_CURRENT_LIST_DIR}/serial_wire.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_remote.cpp
)
target_link_libraries(qmx2_serial_remote PUBLIC qmx2_platform)

# A serial port served in software: the port semantics every port without a driver library
# shares (the device host's tty and TCP ports, the emulated card). Its line is a backend's.
add_library(qmx2_software_serial_port STATIC
  ${CMAKE_CURRENT_LIST_DIR}/software_serial_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/software_serial_control.cpp
)
target_link_libraries(qmx2_software_serial_port PUBLIC qmx2_platform)
