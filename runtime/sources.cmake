list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/environment_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_reduction.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/application_environment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console_events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/native_library_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/process_hooks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_sequence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/worker_event_log.cpp
)
