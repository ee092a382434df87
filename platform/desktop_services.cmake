# The handheld's desktop services without a desktop: tray icons, user notifications, help
# requests and run-at-event registrations (the Qt backends are in desktop/).
add_library(qmx2_desktop_services STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tray_icons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/notifications.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_viewer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_at_event.cpp
)
target_link_libraries(qmx2_desktop_services PUBLIC qmx2_windows qmx2_process)

add_executable(qmx2-event ${CMAKE_CURRENT_LIST_DIR}/cli/qmx2_event.cpp)
target_link_libraries(qmx2-event PRIVATE qmx2_desktop_services)
