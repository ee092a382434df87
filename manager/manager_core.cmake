# The phone manager's logic behind its user-interface boundary: start-up and polling worker,
# message table, phone books and local data. The window shells and qmx2ctl link it.
add_library(qmx2_manager_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/messages/read_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages/unread_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phonebook/cpbr_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store/settings_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store/data_pack.cpp
)
target_link_libraries(qmx2_manager_core PUBLIC qmx2_platform)
