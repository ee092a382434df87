qmx2_test(operator_names_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/operator_names_test.cpp
  LIBS qmx2_manager_operators qmx2_commander_operators)
qmx2_test(data_call_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/data_call_test.cpp LIBS qmx2_data_call)
