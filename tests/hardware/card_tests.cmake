# Tests of the emulated GSM card.
qmx2_test(card_phone_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/card_basic_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_security_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_sms_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_book_network_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_robustness_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_dialect_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_scenario_test.cpp
  LIBS qmx2_card)
qmx2_test(card_port_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_port_test.cpp LIBS qmx2_card)
qmx2_test(card_control_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_control_test.cpp LIBS qmx2_card)
qmx2_test(card_cardsim_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_cardsim_test.cpp LIBS qmx2_card)
add_dependencies(card_cardsim_test qmx2-cardsim)
# The folders the tests read from when the test run's environment does not name them.
foreach(_t card_phone_test card_cardsim_test)
  target_compile_definitions(${_t} PRIVATE QMX2_CARD_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                           QMX2_CARD_BUILD_DIR="${CMAKE_BINARY_DIR}")
endforeach()
