# libpcmcia.so: the platform's PC Card services, the emulated sockets and I/O bus, and the
# kernel services that a loaded driver finds in its host.
add_library(pcmcia SHARED
  ${CMAKE_CURRENT_LIST_DIR}/kernel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_services.cpp
)
target_link_libraries(pcmcia PUBLIC qmx2_pccard_hardware qmx2_platform)
target_link_options(pcmcia PRIVATE -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/libpcmcia.map)
set_target_properties(pcmcia PROPERTIES LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/libpcmcia.map)

# The device host's "--card sim" backend: the emulated card in socket 0, served by the real
# driver library, linked into qmx2-device.
if(TARGET qmx2_device_host AND TARGET qmx2-device)
  add_library(qmx2_sim_card_backend STATIC ${CMAKE_CURRENT_LIST_DIR}/sim_card_backend.cpp)
  target_link_libraries(qmx2_sim_card_backend PUBLIC pcmcia qmx2_pccard_phone qmx2_dynamic_library
    qmx2_device_host)
  # The built-in ports: the emulated DMA UART controller served by the same driver library, the
  # far sides bridged to pseudo-terminals or TCP ports.
  add_library(qmx2_builtin_ports STATIC ${CMAKE_CURRENT_LIST_DIR}/builtin_ports.cpp)
  target_link_libraries(qmx2_builtin_ports PUBLIC pcmcia qmx2_dmauart qmx2_line_bridge qmx2_dynamic_library
    qmx2_device_host)
  target_link_libraries(qmx2-device PRIVATE qmx2_sim_card_backend qmx2_builtin_ports qmx2_process)
  add_dependencies(qmx2-device serqmx2)
endif()
