# Qmx2PPC: the phone manager as the running program that the commander's "Open Monitor" starts.
add_library(qmx2_manager_app STATIC
  ${CMAKE_CURRENT_LIST_DIR}/headless_ui.cpp
  ${CMAKE_CURRENT_LIST_DIR}/manager_window.cpp
)
target_link_libraries(qmx2_manager_app PUBLIC qmx2_manager_ctl qmx2_manager_core qmx2_windows)

add_executable(Qmx2PPC ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(Qmx2PPC PRIVATE qmx2_manager_app qmx2_registry qmx2_serial_remote qmx2_desktop_services)
# Qmx2HPC: the same program with the Handheld PC window shell (command bar, 337 x 159 monitor).
add_executable(Qmx2HPC ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(Qmx2HPC PRIVATE qmx2_manager_app qmx2_registry qmx2_serial_remote qmx2_desktop_services)
target_compile_definitions(Qmx2HPC PRIVATE QMX2_HANDHELD_PC=1)
