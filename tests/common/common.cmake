qmx2_test(common_stop_rules_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/stop_rules_test.cpp
  LIBS qmx2_common)
