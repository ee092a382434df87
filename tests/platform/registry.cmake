qmx2_test(platform_registry_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_values_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/registry_store_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/registry_tool_test.cpp
  LIBS qmx2_registry qmx2_process SQLite::SQLite3)
add_dependencies(platform_registry_test qmx2_platform_test_helper qmx2-reg)
