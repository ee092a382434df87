qmx2_test(devices_line_ports_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/line_ports_test.cpp
  LIBS qmx2_device_host)

qmx2_test(devices_port_server_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/port_server_test.cpp
  LIBS qmx2_device_host)

qmx2_test(devices_active_entry_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/active_entry_test.cpp
  LIBS qmx2_device_host qmx2_registry)

qmx2_test(devices_host_process_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_host_process_test.cpp
  LIBS qmx2_device_host qmx2_registry qmx2_windows qmx2_desktop_services)
add_dependencies(devices_host_process_test qmx2-device qmx2-at)
# The host links in the manager of the handheld's kind.
add_dependencies(devices_host_process_test Qmx2PPC Qmx2HPC)

qmx2_test(devices_at_tool_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/at_tool_test.cpp
  LIBS qmx2_at_tool_options)
add_dependencies(devices_at_tool_test qmx2-at)

qmx2_test(devices_host_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_host_test.cpp
  LIBS qmx2_device_host qmx2_registry)

qmx2_test(devices_killed_host_process_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/killed_host_process_test.cpp
  LIBS qmx2_device_host qmx2_registry qmx2_windows)
add_dependencies(devices_killed_host_process_test qmx2-device qmx2-at qmx2ctl Qmx2Com)

qmx2_test(programs_help_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/programs_help_test.cpp)
foreach(program qmx2-device Qmx2Com Qmx2PPC Qmx2HPC qmx2ctl qmx2-at qmx2-reg qmx2-cardsim qmx2-cardctl qmx2-event peghelp)
  if(TARGET ${program})
    add_dependencies(programs_help_test ${program})
  endif()
endforeach()

qmx2_test(modem_zoo_process_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/modem_zoo_process_test.cpp
  LIBS qmx2_registry qmx2_windows)
add_dependencies(modem_zoo_process_test qmx2-device qmx2ctl Qmx2Com serqmx2)
