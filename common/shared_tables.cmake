add_library(qmx2_operator_names STATIC ${CMAKE_CURRENT_LIST_DIR}/operator_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/operator_replies.cpp)
add_library(qmx2_data_call STATIC ${CMAKE_CURRENT_LIST_DIR}/data_call.cpp)
