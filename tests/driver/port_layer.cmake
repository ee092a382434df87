# Tests of the serial driver: the port layer on a scripted hardware layer, the whole stack on
# the emulated card, the library's entry points, the AT transaction through it, stress.
add_library(qmx2_driver_test_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/scripted_hardware.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_harness.cpp
)
target_link_libraries(qmx2_driver_test_support PUBLIC qmx2_driver_port)
qmx2_test(driver_port_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/port_lifecycle_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receive_path_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_requests_test.cpp
  LIBS qmx2_driver_test_support)
add_library(qmx2_card_stack_support STATIC ${CMAKE_CURRENT_LIST_DIR}/card_stack.cpp)
target_link_libraries(qmx2_card_stack_support PUBLIC qmx2_driver_pccard pcmcia)
qmx2_test(driver_card_stack_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/card_stack_test.cpp
  LIBS qmx2_card_stack_support)
qmx2_test(driver_serqmx2_library_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/serqmx2_library_test.cpp
  LIBS qmx2_card_stack_support qmx2_dmauart)
add_dependencies(driver_serqmx2_library_test serqmx2)
if(TARGET qmx2_common AND TARGET qmx2_card)
  qmx2_test(driver_at_through_driver_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/at_through_driver_test.cpp
    LIBS qmx2_card_stack_support qmx2_pccard_phone qmx2_common)
endif()
qmx2_test(driver_port_stress_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/port_stress_test.cpp
  LIBS qmx2_card_stack_support qmx2_driver_builtin qmx2_dmauart)
qmx2_test(driver_builtin_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/builtin_test.cpp
  LIBS qmx2_driver_builtin qmx2_dmauart)
# The port rules against both ports: the driver's port layer and the software serial port.
qmx2_test(port_rules_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/port_rules_test.cpp
  LIBS qmx2_driver_test_support qmx2_software_serial_port)
