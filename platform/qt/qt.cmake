# The shared Qt support of every program's window shell: the Qt event loop beside the handheld's
# window messages, message boxes, the wait cursor, the centring rule and password edits. Built
# only with QMX2_GUI; the logic libraries never link it.
if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_library(qmx2_qt STATIC
    ${CMAKE_CURRENT_LIST_DIR}/message_pump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_box.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wait_cursor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/placement.cpp
    ${CMAKE_CURRENT_LIST_DIR}/password_edit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display.cpp
  )
  target_link_libraries(qmx2_qt PUBLIC qmx2_windows Qt6::Widgets)
endif()
