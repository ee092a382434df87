qmx2_test(setup_logic_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/setup_list_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/installer_test.cpp
  LIBS qmx2_setup)
