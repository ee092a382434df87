add_executable(qmx2_platform_test_helper ${CMAKE_CURRENT_LIST_DIR}/process_helper.cpp)
target_link_libraries(qmx2_platform_test_helper PRIVATE qmx2_registry)

qmx2_test(platform_files_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/files_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/files_share_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/files_root_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/process_test.cpp
  LIBS qmx2_process)
add_dependencies(platform_files_test qmx2_platform_test_helper)

qmx2_test(platform_desktop_services_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/desktop_services_test.cpp
  LIBS qmx2_desktop_services)
add_dependencies(platform_desktop_services_test qmx2_platform_test_helper)
