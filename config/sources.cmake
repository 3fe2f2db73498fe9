list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/config_block.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/embedded_files_copy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/locale_table.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/detect_locale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/embedded_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/load_config.cpp
)
