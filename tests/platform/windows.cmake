# Window message tests: in one process on the virtual clock, the wire format, and between real
# programs through the test peer below.
qmx2_test(platform_windows_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/windows_local_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/windows_wire_test.cpp
  LIBS qmx2_windows)
