# The emulated GSM card: the AT engine and SIM model, scenarios, the in-process card port and
# its live control. The card port is a line below the software serial port.
add_library(qmx2_card STATIC
  ${CMAKE_CURRENT_LIST_DIR}/at_syntax.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scenario.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phone.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phone_engine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_general.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_security.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_sms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_sms_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_phonebook.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_network.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_call.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_pacer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_port_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_card.cpp
)
target_link_libraries(qmx2_card PUBLIC qmx2_platform qmx2_software_serial_port
  PRIVATE nlohmann_json::nlohmann_json)
