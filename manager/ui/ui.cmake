# The manager's windows (Qt Widgets), shared by both shells: Qmx2PPC (menu bar) and Qmx2HPC (command
# bar, larger main window) differ only by manager/ui/shell.h. Without QMX2_GUI both stay headless.
if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_library(qmx2_manager_ui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/monitor_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/card_command.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tool_menus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_sheet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/general_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/write_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/write_panel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recipient_pickers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/contact_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/contact_dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/field_edits.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/centre_dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/messages_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/security_dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/security_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ppc/monitor_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ppc/qt_manager_ui.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ppc/desktop_face.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/modem_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/network_page.cpp
  )
  target_link_libraries(qmx2_manager_ui PUBLIC qmx2_manager_core qmx2_manager_messages qmx2_manager_settings qmx2_qt qmx2_desktop_qt)
  foreach(shell Qmx2PPC Qmx2HPC)
    target_link_libraries(${shell} PRIVATE qmx2_manager_ui)
    target_compile_definitions(${shell} PRIVATE QMX2_MANAGER_WINDOWS=1)
  endforeach()
endif()
