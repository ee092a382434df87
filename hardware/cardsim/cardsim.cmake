# qmx2-cardsim: the emulated GSM card on a pseudo-terminal or a TCP port.
add_executable(qmx2-cardsim
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bridge.cpp
)
target_link_libraries(qmx2-cardsim PRIVATE qmx2_card)
