qmx2_test(commander_card_init_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_init_test.cpp ${CMAKE_CURRENT_LIST_DIR}/access_code_test.cpp
  LIBS qmx2_commander)
qmx2_test(commander_tray_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/commander_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tray_menu_test.cpp
  LIBS qmx2_commander)
qmx2_test(commander_window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/commander_window_test.cpp
  LIBS qmx2_commander_platform)
