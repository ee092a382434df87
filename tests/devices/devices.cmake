qmx2_test(devices_software_port_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/software_serial_port_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/software_serial_control_test.cpp
  LIBS qmx2_software_port)
