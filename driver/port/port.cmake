# The port layer of the serial driver: hardware independent, linked into libserqmx2.so and
# into the tests that drive it with a scripted hardware layer.
add_library(qmx2_driver_port STATIC
  ${CMAKE_CURRENT_LIST_DIR}/port_lifecycle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receive_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transmit_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_requests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_values.cpp
)
target_link_libraries(qmx2_driver_port PUBLIC qmx2_platform)
set_target_properties(qmx2_driver_port PROPERTIES CXX_VISIBILITY_PRESET hidden)
