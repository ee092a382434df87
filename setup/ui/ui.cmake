# The installer's and the application manager's windows (Qt Widgets).
if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_library(qmx2_appmgr_ui STATIC ${CMAKE_CURRENT_LIST_DIR}/app_manager_window.cpp)
  target_link_libraries(qmx2_appmgr_ui PUBLIC qmx2_appmgr Qt6::Widgets)
  add_executable(ceappmgr ${CMAKE_CURRENT_LIST_DIR}/app_manager_main.cpp)
  target_link_libraries(ceappmgr PRIVATE qmx2_appmgr_ui)
endif()
