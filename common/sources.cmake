list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/split_command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/private_security.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user32_calls.cpp
)
