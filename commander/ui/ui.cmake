# The commander's desktop face (Qt Widgets): its hidden main window, tray popup, code dialogs,
# network selection and about box, with its texts compiled in from resources/commander.
if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  qt_add_resources(_qmx2_commander_texts ${CMAKE_SOURCE_DIR}/resources/commander.qrc)
  add_library(qmx2_commander_ui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/code_dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/network_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tray_popup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt_commander_ui.cpp
    ${CMAKE_CURRENT_LIST_DIR}/desktop_face.cpp
    ${_qmx2_commander_texts}
  )
  target_link_libraries(qmx2_commander_ui PUBLIC qmx2_commander_platform qmx2_qt qmx2_desktop_qt)
  target_link_libraries(Qmx2Com PRIVATE qmx2_commander_ui)
  target_compile_definitions(Qmx2Com PRIVATE QMX2_COMMANDER_DESKTOP=1)
endif()
