# Qmx2PPC and Qmx2HPC: the window and terminal commands on the card double, and the real
# programs beside the real device host and commander.
qmx2_test(manager_app_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/headless_test.cpp
  LIBS qmx2_manager_app qmx2_manager_test_doubles)
if(TARGET qmx2-device AND TARGET Qmx2Com AND TARGET Qmx2PPC AND TARGET Qmx2HPC AND TARGET serqmx2)
  qmx2_test(manager_power_down_process_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/power_down_process_test.cpp
    LIBS qmx2_windows qmx2_registry qmx2_serial_remote)
  add_dependencies(manager_power_down_process_test Qmx2PPC Qmx2HPC Qmx2Com qmx2-device serqmx2)
  if(QMX2_GUI)
    target_compile_definitions(manager_power_down_process_test PRIVATE QMX2_MANAGER_WINDOWS=1)
  endif()
endif()
