# qmx2-device --card sim and qmx2-cardctl as programs.
if(TARGET qmx2_sim_card_backend)
  qmx2_test(devices_sim_card_control_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_card_control_test.cpp
    LIBS qmx2_device_host qmx2_registry qmx2_windows qmx2_common)
  add_dependencies(devices_sim_card_control_test qmx2-device qmx2-cardctl serqmx2)
endif()
