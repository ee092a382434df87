if(QMX2_GUI)
  # The commander's real widgets offscreen, worked with QTest against the emulated card.
  find_package(Qt6 REQUIRED COMPONENTS Test)
  qmx2_test(commander_ui_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/commander_ui_test.cpp
    LIBS qmx2_commander_ui qmx2_qt qmx2_registry qmx2_card Qt6::Test)
  # Every window of the commander as a PNG, for scripts/screenshots.sh.
  add_executable(commander_screenshots ${CMAKE_CURRENT_LIST_DIR}/commander_screenshots.cpp)
  target_link_libraries(commander_screenshots PRIVATE qmx2_commander_ui qmx2_registry)
endif()
if(QMX2_GUI)
  # The real Qmx2Com on Xvfb with a private session bus.
  qmx2_test(commander_tray_xvfb_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/commander_tray_xvfb_test.cpp
    LIBS qmx2_test_desktop_support qmx2_registry Qt6::Core)
  add_dependencies(commander_tray_xvfb_test Qmx2Com qmx2-device serqmx2)
endif()
