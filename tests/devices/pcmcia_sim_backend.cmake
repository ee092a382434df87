# The device host's emulated-card backend (needs the device host's own library).
if(TARGET qmx2_sim_card_backend)
  qmx2_test(devices_pcmcia_sim_backend_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcmcia_sim_backend_test.cpp
    LIBS qmx2_sim_card_backend)
  add_dependencies(devices_pcmcia_sim_backend_test serqmx2)
endif()
