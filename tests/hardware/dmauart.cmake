# The built-in ports' emulated controller on its own.
qmx2_test(hardware_dmauart_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dmauart_test.cpp
  LIBS qmx2_dmauart)
