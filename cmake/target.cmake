# Windows targets: the launcher, the product parts built for Windows, and the
# tests that run under Wine: the host's for x86_64, an emulated 32-bit one
# (scripts/setup-i686) for i686, since this kernel runs no 32-bit code.

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
  set(PELLUX_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run)
else()
  set(PELLUX_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/i686-run)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${PELLUX_WINE_RUN} ${CMAKE_BINARY_DIR}/wineprefix)

# One library per layer, each linked only to the one below it: a call from a
# lower layer into a higher one finds no definition and fails the link.
set(layer_below)
foreach(layer ${PELLUX_LAYERS})
  add_library(launcher_${layer} STATIC ${PELLUX_PURE_${layer}} ${PELLUX_WIN32_${layer}})
  target_include_directories(launcher_${layer} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(launcher_${layer} PUBLIC PELLUX_TARGET_BITS=${PELLUX_TARGET_BITS})
  target_compile_options(launcher_${layer} PRIVATE ${PELLUX_WARNINGS} ${PELLUX_LAUNCHER_FLAGS})
  if(layer_below)
    target_link_libraries(launcher_${layer} PUBLIC ${layer_below})
  else()
    target_link_libraries(launcher_${layer} PUBLIC advapi32)
  endif()
  set(layer_below launcher_${layer})
endforeach()

# Everything of the launcher but its entry point, so tests can link it.
add_library(launcher_core INTERFACE)
target_link_libraries(launcher_core INTERFACE ${layer_below})

# The event log's texts: a message table compiled from the .mc file beside
# the entry ids, bound into the launcher with its other resources.
string(REPLACE "windres" "windmc" PELLUX_MESSAGE_COMPILER ${CMAKE_RC_COMPILER})
set(event_messages ${CMAKE_BINARY_DIR}/event_messages)
add_custom_command(OUTPUT ${event_messages}/event_messages.rc ${event_messages}/MSG00409.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${event_messages}
  COMMAND ${PELLUX_MESSAGE_COMPILER} -h ${event_messages} -r ${event_messages}
          ${CMAKE_SOURCE_DIR}/diagnostics/event_messages.mc
  DEPENDS ${CMAKE_SOURCE_DIR}/diagnostics/event_messages.mc
  VERBATIM)
set_source_files_properties(entry/launcher.rc PROPERTIES
  OBJECT_DEPENDS "${event_messages}/event_messages.rc;${event_messages}/MSG00409.bin")

add_executable(pellux entry/main.cpp entry/no_exceptions.cpp entry/launcher.rc)
target_include_directories(pellux PRIVATE ${event_messages})
target_compile_options(pellux PRIVATE ${PELLUX_WARNINGS} ${PELLUX_LAUNCHER_FLAGS})
target_link_libraries(pellux PRIVATE launcher_core)
target_link_options(pellux PRIVATE -Wl,--gc-sections -s)

# The product must stay a small executable that needs no DLL beyond the system's.
# The 64-bit code of the same sources is about a fifth larger.
if(PELLUX_TARGET_BITS EQUAL 32)
  set(launcher_size_limit 262144)
else()
  set(launcher_size_limit 294912)
endif()
add_custom_command(TARGET pellux POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:pellux> -DOBJDUMP=${CMAKE_OBJDUMP}
          -DLIMIT=${launcher_size_limit} -P ${CMAKE_SOURCE_DIR}/cmake/check_executable.cmake
  VERBATIM)

foreach(part writer javalib helperlib standins bridge examples tests bench)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${part}/CMakeLists.txt)
    add_subdirectory(${part})
  endif()
endforeach()

