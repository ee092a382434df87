# qmx2ctl: the phone manager without windows, for terminals and scripts.
add_library(qmx2_manager_ctl STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ctl/text_ui.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/terminal_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/window_peers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/ctl_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/ctl_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/ctl_loads.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store/handheld_folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/ops_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/ops_sms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/ops_centre.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl/ops_settings.cpp
)
target_link_libraries(qmx2_manager_ctl PUBLIC qmx2_manager_core qmx2_manager_messages
  qmx2_manager_settings qmx2_windows qmx2_files
  PRIVATE nlohmann_json::nlohmann_json)

add_executable(qmx2ctl ${CMAKE_CURRENT_LIST_DIR}/ctl/ctl_main.cpp)
target_link_libraries(qmx2ctl PRIVATE qmx2_manager_ctl qmx2_registry qmx2_serial_remote)
