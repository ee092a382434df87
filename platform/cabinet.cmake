# Cabinet files through the system's libgcab.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GCAB REQUIRED IMPORTED_TARGET libgcab-1.0)
add_library(qmx2_cabinet STATIC ${CMAKE_CURRENT_LIST_DIR}/cabinet.cpp)
target_link_libraries(qmx2_cabinet PRIVATE PkgConfig::GCAB)
