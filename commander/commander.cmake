# The commander: card initialisation, access codes, tray menu state and the peer messages,
# as a library behind the user-interface boundary, and the program Qmx2Com.
add_library(qmx2_commander STATIC
  ${CMAKE_CURRENT_LIST_DIR}/access_code.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/card_init.cpp
  ${CMAKE_CURRENT_LIST_DIR}/change_code.cpp
)
target_link_libraries(qmx2_commander PUBLIC qmx2_platform)
