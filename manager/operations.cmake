# The phone manager's operations behind its user-interface boundary: sending, drafts, delete,
# move/copy/paste of messages, and the settings pages (message centres, security, network,
# data-call speed).
add_library(qmx2_manager_messages STATIC
  ${CMAKE_CURRENT_LIST_DIR}/messages/message_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/write_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/message_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/recipients.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/send.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/clipboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/sim_write.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/delete.cpp
)
target_link_libraries(qmx2_manager_messages PUBLIC qmx2_manager_core)

add_library(qmx2_manager_settings STATIC
  ${CMAKE_CURRENT_LIST_DIR}/settings/centre_profiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings/centre_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings/security.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings/network.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings/network_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings/modem_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings/general_page.cpp
)
target_link_libraries(qmx2_manager_settings PUBLIC qmx2_manager_core)
