list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/log_stamp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_reduction.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/fatal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/native_library_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_sequence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
)
