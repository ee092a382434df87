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
