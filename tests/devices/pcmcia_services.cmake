# The PC Card services library as a client sees it.
qmx2_test(devices_pcmcia_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcmcia_services_test.cpp
  LIBS pcmcia)
