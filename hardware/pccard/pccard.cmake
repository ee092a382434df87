# The emulated GSM PC Card's hardware: tuples, configuration registers, the bus glue of its
# 16550.
add_library(qmx2_pccard_hardware STATIC
  ${CMAKE_CURRENT_LIST_DIR}/cis.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pc_card.cpp
)
target_link_libraries(qmx2_pccard_hardware PUBLIC qmx2_uart16550 PRIVATE nlohmann_json::nlohmann_json)

# The emulated phone behind the card's UART.
add_library(qmx2_pccard_phone INTERFACE)
target_link_libraries(qmx2_pccard_phone INTERFACE qmx2_pccard_hardware qmx2_card)
