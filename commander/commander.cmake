# The commander: card initialisation, access codes, tray menu state and the peer messages,
# as a library behind the user-interface boundary.
add_library(qmx2_commander STATIC
  ${CMAKE_CURRENT_LIST_DIR}/access_code.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_init.cpp
  ${CMAKE_CURRENT_LIST_DIR}/change_code.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tray_menu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/network_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/commander.cpp
  ${CMAKE_CURRENT_LIST_DIR}/commander_commands.cpp
)
target_link_libraries(qmx2_commander PUBLIC qmx2_platform qmx2_data_call qmx2_operator_names
  qmx2_commander_operators)
