# The real-time bridge between a descriptor (pseudo-terminal, TCP client) and a serial port:
# qmx2-cardsim's, and qmx2-device's for the far sides of the built-in ports.
add_library(qmx2_line_bridge STATIC ${CMAKE_CURRENT_LIST_DIR}/bridge.cpp)
target_link_libraries(qmx2_line_bridge PUBLIC qmx2_platform)

# qmx2-cardsim: the emulated GSM card on a pseudo-terminal or a TCP port.
add_executable(qmx2-cardsim ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(qmx2-cardsim PRIVATE qmx2_card qmx2_line_bridge)
