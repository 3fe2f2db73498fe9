# Helpers for the test groups under tests/.

# A native test executable with the log captured in memory, under the sanitizers.
function(pellux_host_tests name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${CMAKE_SOURCE_DIR}/tests/host/log_capture.cpp ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE launcher_pure ${arg_LIBRARIES} gtest_main)
  target_compile_options(${name} PRIVATE ${PELLUX_WARNINGS})
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# A Windows test executable, run under Wine: the host's in the x86_64 tree,
# the emulated 32-bit one in the i686 tree.
function(pellux_wine_tests name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
  target_compile_options(${name} PRIVATE ${PELLUX_WARNINGS} ${PELLUX_TEST_FLAGS})
  add_test(NAME ${name} COMMAND ${name})
  pellux_wine_test_limits(${name})
endfunction()

# Cases of TEST that cannot run in the emulated 32-bit Wine (gtest patterns);
# the caller says why beside the call.
function(pellux_skip_on_i686 test)
  if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
    list(JOIN ARGN ":" patterns)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "GTEST_FILTER=-${patterns}")
  endif()
endfunction()

# Emulated code runs about ten times slower; its tests get more time.
function(pellux_wine_test_limits)
  if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
    set_tests_properties(${ARGN} PROPERTIES TIMEOUT 1200)
  endif()
endfunction()
