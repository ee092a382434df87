# The emulated 16550 UART core; bus glue embeds it.
add_library(qmx2_uart16550 STATIC ${CMAKE_CURRENT_LIST_DIR}/uart16550.cpp)
