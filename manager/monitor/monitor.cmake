add_library(qmx2_manager_monitor STATIC ${CMAKE_CURRENT_LIST_DIR}/monitor.cpp)
target_link_libraries(qmx2_manager_monitor PUBLIC qmx2_common qmx2_data_call)
