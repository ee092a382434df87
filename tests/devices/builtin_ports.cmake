# qmx2-device serving the built-in ports, with qmx2-at, qmx2-cardctl and qmx2-event as programs.
if(TARGET qmx2_builtin_ports)
  qmx2_test(devices_builtin_ports_process_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/builtin_ports_process_test.cpp
    LIBS qmx2_device_host qmx2_registry qmx2_process qmx2_desktop_services)
  add_dependencies(devices_builtin_ports_process_test qmx2-device qmx2-at qmx2-cardctl qmx2-event serqmx2)
endif()
