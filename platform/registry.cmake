# The handheld's registry on SQLite, and the qmx2-reg command-line tool.
add_library(qmx2_registry STATIC
  ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_db.cpp
)
# Key names fold like file names, so the name helpers live with the files.
target_link_libraries(qmx2_registry PUBLIC qmx2_files PRIVATE SQLite::SQLite3)

# The tool's commands as a library, so that tests can also call them in-process.
add_library(qmx2_registry_tool STATIC
  ${CMAKE_CURRENT_LIST_DIR}/registry_tool.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_text.cpp
)
target_link_libraries(qmx2_registry_tool PUBLIC qmx2_registry qmx2_files)

add_executable(qmx2-reg ${CMAKE_CURRENT_LIST_DIR}/cli/qmx2_reg.cpp)
target_link_libraries(qmx2-reg PRIVATE qmx2_registry_tool)
