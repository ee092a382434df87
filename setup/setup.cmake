# The desktop installer's logic (no Qt): setup.lst, the desktop's registry entries, the copying
# worker and the watch of the application manager; the application manager's install logic; the
# device cabinets and the files that ship beside `setup`.
add_library(qmx2_setup STATIC
  ${CMAKE_CURRENT_LIST_DIR}/setup_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/installer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cabinet_manifest.cpp
)
target_link_libraries(qmx2_setup PUBLIC qmx2_files qmx2_process qmx2_registry qmx2_windows)

add_library(qmx2_appmgr STATIC ${CMAKE_CURRENT_LIST_DIR}/appmgr/app_install.cpp)
target_link_libraries(qmx2_appmgr PUBLIC qmx2_setup qmx2_cabinet)

add_executable(qmx2-makecab ${CMAKE_CURRENT_LIST_DIR}/tools/make_cabinet.cpp)
target_link_libraries(qmx2-makecab PRIVATE qmx2_setup qmx2_cabinet)

# The setup folder: `setup`, its list, licence and readme, and the six cabinets. On Linux the
# handheld runs this machine's code, so the three processor families carry the same build.
set(QMX2_SETUP_DIR ${CMAKE_BINARY_DIR}/setup)
set(_driver_key "Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D")
set(_help_items)
foreach(page qmx2.htc qmx21.htp qmx22.htp qmx23.htp qmx24.htp)
  list(APPEND _help_items "\\Windows\\${page}=${CMAKE_SOURCE_DIR}/resources/help/${page}")
endforeach()
# The handheld's programs go into the cabinets without their debugging information
# (build/cabinet-files/), which would make each cabinet several times larger.
set(_cabinet_files ${CMAKE_BINARY_DIR}/cabinet-files)
foreach(program Qmx2Com Qmx2PPC Qmx2HPC serqmx2)
  if(CMAKE_OBJCOPY)
    add_custom_command(OUTPUT ${_cabinet_files}/${program}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_cabinet_files}
      COMMAND ${CMAKE_OBJCOPY} --strip-debug $<TARGET_FILE:${program}> ${_cabinet_files}/${program}
      DEPENDS ${program} VERBATIM)
  else()
    add_custom_command(OUTPUT ${_cabinet_files}/${program}
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> ${_cabinet_files}/${program}
      DEPENDS ${program} VERBATIM)
  endif()
endforeach()
# The commander starts the manager as "\Qmx2PPC.exe" on both kinds of handheld: a Handheld PC's
# cabinets carry the Handheld PC build (Qmx2HPC) under that name.
foreach(shell ppc hpc)
  string(TOUPPER ${shell} _upper)
  set(_${shell}_items
    "\\Windows\\Qmx2Com=${_cabinet_files}/Qmx2Com"
    "\\Windows\\Qmx2PPC.exe=${_cabinet_files}/Qmx2${_upper}"
    "\\Windows\\serqmx2.dll=${_cabinet_files}/serqmx2"
    ${_help_items}
    "sz|${_driver_key}|Dll|serqmx2.dll"
    "sz|${_driver_key}|Prefix|COM"
    "dword|${_driver_key}|DeviceArrayIndex|1")
  set(_${shell}_depends Qmx2Com Qmx2${_upper} serqmx2 ${_cabinet_files}/Qmx2Com
      ${_cabinet_files}/Qmx2${_upper} ${_cabinet_files}/serqmx2)
endforeach()
set(_cabinets)
foreach(shell ppc hpc)
  foreach(family sh3:10003 4000:4000 2577:2577)
    string(REPLACE ":" ";" _f ${family})
    list(GET _f 0 _fname)
    list(GET _f 1 _fnumber)
    set(_cab ${QMX2_SETUP_DIR}/qmx2${shell}.${_fname}.CAB)
    if(shell STREQUAL "ppc")
      set(_args ${_cab} PocketPC ${_fnumber} ${_ppc_items})
    else()
      set(_args ${_cab} HandheldPC ${_fnumber} ${_hpc_items})
    endif()
    add_custom_command(OUTPUT ${_cab}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QMX2_SETUP_DIR}
      COMMAND qmx2-makecab ${_args}
      DEPENDS qmx2-makecab ${_${shell}_depends}
      COMMENT "Device cabinet qmx2${shell}.${_fname}.CAB" VERBATIM)
    list(APPEND _cabinets ${_cab})
  endforeach()
endforeach()
set(_setup_texts)
foreach(f setup.lst license.txt readme.txt)
  add_custom_command(OUTPUT ${QMX2_SETUP_DIR}/${f}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/files/${f} ${QMX2_SETUP_DIR}/${f}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/files/${f} VERBATIM)
  list(APPEND _setup_texts ${QMX2_SETUP_DIR}/${f})
endforeach()
add_custom_target(qmx2_setup_files ALL DEPENDS ${_cabinets} ${_setup_texts})
# What ships beside `setup` in its folder; the package installs this list.
set(QMX2_SETUP_FOLDER_FILES ${_setup_texts} ${_cabinets})
