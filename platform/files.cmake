# The handheld's root folder, its file system and its process start.
add_library(qmx2_files STATIC
  ${CMAKE_CURRENT_LIST_DIR}/root.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_names.cpp
)
target_link_libraries(qmx2_files PUBLIC qmx2_platform)

add_library(qmx2_process STATIC ${CMAKE_CURRENT_LIST_DIR}/process.cpp)
target_link_libraries(qmx2_process PUBLIC qmx2_files)
