# The emulated 16550 on its own.
qmx2_test(hardware_uart_16550_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/uart_16550_test.cpp
  LIBS qmx2_uart16550)
