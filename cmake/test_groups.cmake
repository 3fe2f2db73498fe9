# Helpers for the test groups under tests/.

# A native test executable with the log captured in memory, under the sanitizers.
function(pellux_host_tests name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${CMAKE_SOURCE_DIR}/tests/host/log_capture.cpp ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE launcher_pure ${arg_LIBRARIES} gtest_main)
  target_compile_options(${name} PRIVATE ${PELLUX_WARNINGS})
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# A Windows test executable; it runs under Wine in the x86_64 tree and only
# builds in the i686 tree.
function(pellux_wine_tests name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
  target_compile_options(${name} PRIVATE ${PELLUX_WARNINGS} ${PELLUX_TEST_FLAGS})
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
    add_test(NAME ${name} COMMAND ${name})
  endif()
endfunction()
