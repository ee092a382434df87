if(QMX2_GUI)
  # Qmx2PPC's real widgets offscreen, worked with QTest.
  find_package(Qt6 REQUIRED COMPONENTS Test)
  qmx2_test(manager_monitor_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/monitor_window_test.cpp
    LIBS qmx2_manager_ui qmx2_manager_test_doubles qmx2_desktop_services Qt6::Test)
  # The monitor window and its about box as PNGs, for scripts/screenshots.sh.
  add_executable(manager_screenshots ${CMAKE_CURRENT_LIST_DIR}/manager_screenshots.cpp)
  target_link_libraries(manager_screenshots PRIVATE qmx2_manager_ui qmx2_manager_test_doubles qmx2_card qmx2_desktop_services)
  qmx2_test(manager_message_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/message_window_test.cpp
    LIBS qmx2_manager_ui qmx2_manager_test_doubles qmx2_desktop_services Qt6::Test)
  qmx2_test(manager_settings_sheet_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_sheet_test.cpp
    LIBS qmx2_manager_ui qmx2_manager_test_doubles qmx2_desktop_services Qt6::Test)
  qmx2_test(manager_card_command_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_command_test.cpp
    LIBS qmx2_manager_ui Qt6::Test)
  qmx2_test(manager_write_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/write_window_test.cpp
    LIBS qmx2_manager_ui qmx2_manager_test_doubles qmx2_desktop_services qmx2_card Qt6::Test)
  qmx2_test(manager_settings_pages_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_pages_test.cpp
    LIBS qmx2_manager_ui qmx2_manager_test_doubles qmx2_card qmx2_desktop_services Qt6::Test)
  qmx2_test(manager_contact_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/contact_window_test.cpp
    LIBS qmx2_manager_ui qmx2_manager_test_doubles qmx2_desktop_services Qt6::Test)
  # Real clock: the race check a QMX2_TSAN build runs.
  qmx2_test(manager_windows_worker_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/windows_worker_test.cpp
    LIBS qmx2_manager_ui qmx2_manager_test_doubles qmx2_desktop_services Qt6::Test)
  qmx2_test(manager_centre_security_pages_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/centre_security_pages_test.cpp
    LIBS qmx2_manager_ui qmx2_manager_test_doubles qmx2_card qmx2_desktop_services Qt6::Test)
endif()
