# The AT command transaction and the text utilities, linked into the manager and the commander.
add_library(qmx2_common STATIC
  ${CMAKE_CURRENT_LIST_DIR}/at_transaction.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stop_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_utils.cpp
)
target_link_libraries(qmx2_common PUBLIC qmx2_platform)
