# The device host: lines below the software serial port (kernel tty, TCP), the socket server,
# the card's "Drivers\Active" entry, and the qmx2-device program.
add_library(qmx2_software_port STATIC
  ${CMAKE_CURRENT_LIST_DIR}/fd_serial_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tty_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_port.cpp
)
target_link_libraries(qmx2_software_port PUBLIC qmx2_software_serial_port)

add_library(qmx2_device_host STATIC
  ${CMAKE_CURRENT_LIST_DIR}/card_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/active_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/held_starts.cpp
)
target_link_libraries(qmx2_device_host PUBLIC qmx2_software_port qmx2_serial_remote)

add_executable(qmx2-device
  ${CMAKE_CURRENT_LIST_DIR}/device_host_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_change_windows.cpp
)
target_link_libraries(qmx2-device PRIVATE qmx2_device_host qmx2_registry qmx2_files qmx2_windows
  qmx2_desktop_services)

# The handheld's notification sound beside the programs; the device host links it into the
# root's "\Windows" folder.
configure_file(${CMAKE_SOURCE_DIR}/resources/sounds/Alarm1.wav ${CMAKE_BINARY_DIR}/bin/Alarm1.wav COPYONLY)
