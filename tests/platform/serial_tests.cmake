qmx2_test(platform_serial_wire_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/serial_wire_test.cpp
  LIBS qmx2_serial_remote)

qmx2_test(platform_software_port_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/software_serial_port_test.cpp
  LIBS qmx2_software_serial_port)
