qmx2_test(commander_card_init_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_init_test.cpp ${CMAKE_CURRENT_LIST_DIR}/access_code_test.cpp
  LIBS qmx2_commander)
qmx2_test(commander_tray_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/commander_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tray_menu_test.cpp
  LIBS qmx2_commander qmx2_registry)
qmx2_test(commander_window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/commander_window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/headless_test.cpp
  LIBS qmx2_commander_platform qmx2_registry)
qmx2_test(commander_emulated_card_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/emulated_card_test.cpp
  LIBS qmx2_commander_platform qmx2_registry qmx2_card)
# The real Qmx2Com beside the real device host.
if(TARGET qmx2-device AND TARGET Qmx2Com)
  qmx2_test(commander_process_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/commander_process_test.cpp
    LIBS qmx2_windows)
  add_dependencies(commander_process_test Qmx2Com qmx2-device)
endif()

# The commander's notifications reaching a desktop notification server over D-Bus.
if(QMX2_GUI)
  qmx2_test(commander_desktop_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/commander_desktop_test.cpp
    LIBS qmx2_commander qmx2_registry qmx2_desktop_qt qmx2_test_desktop_support)
endif()
