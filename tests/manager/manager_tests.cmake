qmx2_test(manager_parsers_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/read_parser_test.cpp ${CMAKE_CURRENT_LIST_DIR}/cpbr_parser_test.cpp
  LIBS qmx2_manager_core)
add_library(qmx2_manager_test_doubles STATIC
  ${CMAKE_CURRENT_LIST_DIR}/fake_card.cpp ${CMAKE_CURRENT_LIST_DIR}/manager_harness.cpp)
target_link_libraries(qmx2_manager_test_doubles PUBLIC qmx2_manager_core)
qmx2_test(manager_startup_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_test.cpp
  LIBS qmx2_manager_test_doubles)
qmx2_test(manager_worker_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/worker_test.cpp
  LIBS qmx2_manager_test_doubles)
qmx2_test(manager_store_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_test.cpp
  LIBS qmx2_manager_test_doubles)
qmx2_test(manager_views_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/folder_view_test.cpp ${CMAKE_CURRENT_LIST_DIR}/contacts_test.cpp
  LIBS qmx2_manager_test_doubles)
qmx2_test(manager_ctl_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ctl_test.cpp
  LIBS qmx2_manager_test_doubles qmx2_manager_ctl nlohmann_json::nlohmann_json)
qmx2_test(manager_emulated_card_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/emulated_card_test.cpp
  LIBS qmx2_manager_settings qmx2_manager_test_doubles qmx2_card qmx2_manager_ctl nlohmann_json::nlohmann_json)
qmx2_test(manager_captured_replies_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/captured_replies_test.cpp
  LIBS qmx2_manager_core qmx2_manager_monitor qmx2_commander)
qmx2_test(manager_gui_thread_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gui_thread_ui_test.cpp
  LIBS qmx2_manager_test_doubles)
