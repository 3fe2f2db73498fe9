list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/java_version.cpp
  ${CMAKE_CURRENT_LIST_DIR}/non_working_java.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read_pe_machine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/search_observer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/search_sequence.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/check_java_exe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_jvms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_java_version.cpp
  ${CMAKE_CURRENT_LIST_DIR}/search_jvm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unpack_runtime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version_cache.cpp
)
