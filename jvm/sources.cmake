list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/argument_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jvm_dll_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/launcher_properties.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_size.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_entries.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vm_option_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vm_option_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vm_option_walk.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/JavaVMLauncher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/assemble_vm_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/expand_argument_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/launch_jvm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/load_dll.cpp
  ${CMAKE_CURRENT_LIST_DIR}/process_environment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vm_option_files.cpp
)
