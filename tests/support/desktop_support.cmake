# Desktop tests' own session bus and X display, and the recording desktop services on the bus.
if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS DBus)
  add_library(qmx2_test_desktop_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/private_session_bus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dbus_recorders.cpp
  )
  target_link_libraries(qmx2_test_desktop_support PUBLIC Qt6::DBus)
endif()
