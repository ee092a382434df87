qmx2_test(manager_parsers_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/read_parser_test.cpp ${CMAKE_CURRENT_LIST_DIR}/cpbr_parser_test.cpp
  LIBS qmx2_manager_core)
