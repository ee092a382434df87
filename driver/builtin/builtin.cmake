# The built-in serial ports' layer of the serial driver (hardware objects 0 and 2).
add_library(qmx2_driver_builtin STATIC
  ${CMAKE_CURRENT_LIST_DIR}/builtin_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/builtin_ops.cpp
)
target_link_libraries(qmx2_driver_builtin PUBLIC qmx2_driver_port)
set_target_properties(qmx2_driver_builtin PROPERTIES CXX_VISIBILITY_PRESET hidden)
