qmx2_test(manager_settings_ops_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/centre_profiles_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/security_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/network_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/modem_page_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/general_page_test.cpp
  LIBS qmx2_manager_settings qmx2_manager_test_doubles qmx2_card)
qmx2_test(manager_ctl_ops_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ctl_ops_test.cpp
  LIBS qmx2_manager_ctl qmx2_manager_test_doubles qmx2_card nlohmann_json::nlohmann_json)
