qmx2_test(manager_messages_ops_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/send_test.cpp ${CMAKE_CURRENT_LIST_DIR}/clipboard_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/window_rules_test.cpp
  LIBS qmx2_manager_messages qmx2_manager_test_doubles qmx2_card)
