# libserqmx2.so: the serial driver of the GSM PC Card, exporting its stream entry points only.
add_library(serqmx2 SHARED ${CMAKE_CURRENT_LIST_DIR}/port/stream_exports.cpp)
target_link_libraries(serqmx2 PRIVATE qmx2_driver_pccard qmx2_driver_builtin qmx2_driver_port
  qmx2_platform)
target_link_options(serqmx2 PRIVATE -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/serqmx2.map)
set_target_properties(serqmx2 PROPERTIES
  LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/serqmx2.map
  CXX_VISIBILITY_PRESET hidden
  BUILD_RPATH "$ORIGIN"
  INSTALL_RPATH "$ORIGIN")
