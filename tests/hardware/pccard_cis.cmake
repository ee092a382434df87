# The emulated PC Card: tuples, scenario, configuration gating.
qmx2_test(hardware_pccard_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pccard_cis_test.cpp
  LIBS qmx2_pccard_hardware)
