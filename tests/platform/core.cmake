qmx2_test(platform_clock_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/clock_test.cpp LIBS qmx2_platform)
qmx2_test(platform_terminal_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/terminal_test.cpp LIBS qmx2_platform)
