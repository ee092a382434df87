# The Debian package of the whole system: `cpack -G DEB` in the build folder.
# Programs in bin, the shared libraries in lib/qmx2 (the programs' run path; the device host
# loads libserqmx2.so from there by name), the data under share/qmx2, and the setup folder
# (`setup` reads its list, texts and cabinets from its own folder) in lib/qmx2/setup.
# Every path below is a literal or set at this point.

set(_qmx2_programs qmx2-device Qmx2Com Qmx2PPC qmx2ctl qmx2-at qmx2-reg qmx2-cardsim
    qmx2-cardctl qmx2-event peghelp ceappmgr Qmx2HPC)
foreach(program ${_qmx2_programs})
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../lib/qmx2")
    install(TARGETS ${program} RUNTIME DESTINATION bin)
  endif()
endforeach()
# The device host links the notification sound beside it into the handheld's "\Windows".
install(FILES ${CMAKE_SOURCE_DIR}/resources/sounds/Alarm1.wav DESTINATION bin)

install(TARGETS serqmx2 pcmcia LIBRARY DESTINATION lib/qmx2)

install(FILES
  ${CMAKE_SOURCE_DIR}/resources/help/qmx2.htc
  ${CMAKE_SOURCE_DIR}/resources/help/qmx21.htp
  ${CMAKE_SOURCE_DIR}/resources/help/qmx22.htp
  ${CMAKE_SOURCE_DIR}/resources/help/qmx23.htp
  ${CMAKE_SOURCE_DIR}/resources/help/qmx24.htp
  DESTINATION share/qmx2/help)
file(GLOB _qmx2_scenarios ${CMAKE_SOURCE_DIR}/hardware/scenarios/*.json)
install(FILES ${_qmx2_scenarios} DESTINATION share/qmx2/scenarios)
file(GLOB _qmx2_icons ${CMAKE_SOURCE_DIR}/resources/icons/*.png)
install(FILES ${_qmx2_icons} DESTINATION share/qmx2/icons)
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/app-manager.png
  DESTINATION share/icons/hicolor/32x32/apps RENAME qmx2-manager.png)
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/app-commander.png
  DESTINATION share/icons/hicolor/32x32/apps RENAME qmx2-commander.png)
if(QMX2_GUI)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/qmx2-manager.desktop
    ${CMAKE_SOURCE_DIR}/resources/desktop/qmx2-commander.desktop DESTINATION share/applications)
endif()

if(TARGET setup)
  install(TARGETS setup RUNTIME DESTINATION lib/qmx2/setup)
  install(FILES ${QMX2_SETUP_FOLDER_FILES} DESTINATION lib/qmx2/setup)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qmx2)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_CONTACT "QMX2 developers <qmx2@localhost>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "QMX2 developers <qmx2@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GSM PC Card system: driver, commander, phone manager, installer")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The serial driver of the GSM PC Card, the tray controller \
(commander), the phone manager and the desktop installer with its device cabinets, with the \
handheld's platform services and an emulated GSM card.")
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libsqlite3-0, libgcab-1.0-0")
if(QMX2_GUI)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6core6, libqt6gui6, libqt6widgets6")
endif()
include(CPack)
