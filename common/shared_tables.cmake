add_library(qmx2_operator_names STATIC ${CMAKE_CURRENT_LIST_DIR}/operator_names.cpp)
