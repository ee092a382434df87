# qmx2-cardctl: one live-control line to the emulated card of a running qmx2-device.
add_executable(qmx2-cardctl ${CMAKE_CURRENT_LIST_DIR}/cardctl.cpp)
target_link_libraries(qmx2-cardctl PRIVATE qmx2_files)
