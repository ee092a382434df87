qmx2_test(platform_serial_wire_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/serial_wire_test.cpp
  LIBS qmx2_serial_remote)
