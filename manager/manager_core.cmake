# The phone manager's logic behind its user-interface boundary: start-up and polling worker,
# message table, phone books and local data. The window shells and qmx2ctl link it.
add_library(qmx2_manager_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/core/card_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/polling.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/startup_sequence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core/gui_thread_ui.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/folder_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/message_load.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/new_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phonebook/book_read.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phonebook/contact_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phonebook/contact_ops.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store/data_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/read_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/unread_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phonebook/cpbr_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store/settings_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store/data_pack.cpp
)
target_link_libraries(qmx2_manager_core PUBLIC qmx2_platform qmx2_common qmx2_data_call
  qmx2_operator_names qmx2_manager_monitor qmx2_manager_operators)
