# The installer's and the application manager's windows (Qt Widgets).
if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_library(qmx2_appmgr_ui STATIC ${CMAKE_CURRENT_LIST_DIR}/app_manager_window.cpp)
  target_link_libraries(qmx2_appmgr_ui PUBLIC qmx2_appmgr qmx2_qt Qt6::Widgets)
  add_executable(ceappmgr ${CMAKE_CURRENT_LIST_DIR}/app_manager_main.cpp)
  target_link_libraries(ceappmgr PRIVATE qmx2_appmgr_ui)

  add_library(qmx2_setup_ui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/setup_dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/setup_wizard.cpp)
  target_link_libraries(qmx2_setup_ui PUBLIC qmx2_setup qmx2_qt Qt6::Widgets)
  # `setup` lives in the setup folder with its list, texts and cabinets.
  add_executable(setup ${CMAKE_CURRENT_LIST_DIR}/setup_main.cpp)
  target_link_libraries(setup PRIVATE qmx2_setup_ui)
  set_target_properties(setup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QMX2_SETUP_DIR})
  add_dependencies(setup qmx2_setup_files)
endif()

if(QMX2_GUI)
  add_executable(setup-screenshots ${CMAKE_CURRENT_LIST_DIR}/screenshots_main.cpp)
  target_link_libraries(setup-screenshots PRIVATE qmx2_setup_ui qmx2_appmgr_ui)
endif()
