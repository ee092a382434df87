# The help viewer: finding a topic (no Qt), its window and the peghelp program with the help
# pages of resources/help compiled in.
add_library(qmx2_help_topic STATIC ${CMAKE_CURRENT_LIST_DIR}/help_topic.cpp)

if(QMX2_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  qt_add_resources(_qmx2_help_sources ${CMAKE_SOURCE_DIR}/resources/help.qrc)
  add_library(qmx2_help_qt STATIC ${CMAKE_CURRENT_LIST_DIR}/help_window.cpp ${_qmx2_help_sources})
  target_link_libraries(qmx2_help_qt PUBLIC qmx2_help_topic Qt6::Widgets)

  add_executable(peghelp ${CMAKE_CURRENT_LIST_DIR}/peghelp_main.cpp)
  target_link_libraries(peghelp PRIVATE qmx2_help_qt qmx2_desktop_qt)
endif()
