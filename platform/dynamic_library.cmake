# Run-time binding of libraries by name (the driver's PC Card services, the host's driver).
add_library(qmx2_dynamic_library STATIC ${CMAKE_CURRENT_LIST_DIR}/dynamic_library.cpp)
target_link_libraries(qmx2_dynamic_library PUBLIC ${CMAKE_DL_LIBS})
