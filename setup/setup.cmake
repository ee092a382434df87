# The desktop installer's logic (no Qt): setup.lst, the desktop's registry entries, the copying
# worker and the watch of the application manager.
add_library(qmx2_setup STATIC
  ${CMAKE_CURRENT_LIST_DIR}/setup_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/installer.cpp
)
target_link_libraries(qmx2_setup PUBLIC qmx2_files qmx2_process qmx2_registry qmx2_windows)
