qmx2_test(common_stop_rules_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/stop_rules_test.cpp
  LIBS qmx2_common)
qmx2_test(common_at_transaction_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/at_transaction_test.cpp ${CMAKE_CURRENT_LIST_DIR}/scripted_card.cpp
  LIBS qmx2_common)
qmx2_test(common_text_utils_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_utils_test.cpp
  LIBS qmx2_common)
qmx2_test(common_real_replies_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/real_replies_test.cpp ${CMAKE_CURRENT_LIST_DIR}/scripted_card.cpp
  LIBS qmx2_common)
