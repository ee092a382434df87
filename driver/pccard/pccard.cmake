# The PC Card UART layer of the serial driver.
add_library(qmx2_driver_pccard STATIC
  ${CMAKE_CURRENT_LIST_DIR}/card_services_binding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_registers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_uart_ops.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_power.cpp
)
target_link_libraries(qmx2_driver_pccard PUBLIC qmx2_driver_port qmx2_dynamic_library)
set_target_properties(qmx2_driver_pccard PROPERTIES CXX_VISIBILITY_PRESET hidden)
