list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/path_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/temp_root_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/variable_rules.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/expand_variables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_utils.cpp
  ${CMAKE_CURRENT_LIST_DIR}/temp_dirs.cpp
)
