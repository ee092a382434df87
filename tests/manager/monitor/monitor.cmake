qmx2_test(manager_monitor_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/monitor_test.cpp LIBS qmx2_manager_monitor)
