# The desktop backends of the handheld's desktop services (Qt Widgets, Qt D-Bus) and the icons
# compiled in from resources/icons.qrc. Built only with QMX2_GUI.
if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets DBus)
  qt_add_resources(_qmx2_icon_sources ${CMAKE_SOURCE_DIR}/resources/icons.qrc)
  add_library(qmx2_desktop_qt STATIC
    ${CMAKE_CURRENT_LIST_DIR}/desktop_resources.cpp
    ${CMAKE_CURRENT_LIST_DIR}/desktop_tray.cpp
    ${CMAKE_CURRENT_LIST_DIR}/desktop_notifications.cpp
    ${_qmx2_icon_sources}
  )
  target_link_libraries(qmx2_desktop_qt PUBLIC qmx2_desktop_services Qt6::Widgets Qt6::DBus)
endif()
