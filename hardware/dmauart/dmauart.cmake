# The built-in serial ports' emulated controller: the device core and its bus glue.
add_library(qmx2_dmauart STATIC
  ${CMAKE_CURRENT_LIST_DIR}/dma_uart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dma_uart_bus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bus_port_services.cpp
)
target_link_libraries(qmx2_dmauart PUBLIC qmx2_uart16550 qmx2_platform)
