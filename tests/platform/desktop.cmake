if(QMX2_GUI)
  # The tray and notification backends on a private bus and X display; peghelp offscreen.
  qmx2_test(platform_desktop_qt_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/desktop_qt_test.cpp
    LIBS qmx2_desktop_qt qmx2_test_desktop_support)
  qmx2_test(platform_help_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/help_test.cpp
    LIBS qmx2_help_qt)
  add_dependencies(platform_help_test peghelp)
endif()
