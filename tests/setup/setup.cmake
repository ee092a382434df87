qmx2_test(setup_logic_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/setup_list_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/installer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/app_install_test.cpp
  LIBS qmx2_appmgr qmx2_cabinet)
add_dependencies(setup_logic_test qmx2_setup_files)

if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  qmx2_test(setup_ui_process_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_manager_ui_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/setup_wizard_test.cpp
    LIBS qmx2_appmgr_ui qmx2_setup_ui Qt6::Test)
  add_dependencies(setup_ui_process_test qmx2_setup_files ceappmgr)
endif()
