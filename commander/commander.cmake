# The commander: card initialisation, access codes, tray menu state and the peer messages,
# as a library behind the user-interface boundary.
add_library(qmx2_commander STATIC
  ${CMAKE_CURRENT_LIST_DIR}/access_code.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_init.cpp
  ${CMAKE_CURRENT_LIST_DIR}/character_set.cpp
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

# The commander on the handheld's platform: its window, host and the headless user interface.
add_library(qmx2_commander_platform STATIC
  ${CMAKE_CURRENT_LIST_DIR}/commander_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_ui.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tray_sync.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program_starter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program_options.cpp
)
target_link_libraries(qmx2_commander_platform PUBLIC qmx2_commander qmx2_common qmx2_windows qmx2_process
  qmx2_desktop_services)

add_executable(Qmx2Com ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(Qmx2Com PRIVATE qmx2_commander_platform qmx2_registry qmx2_serial_remote)
