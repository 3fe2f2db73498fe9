# Native host: the platform-neutral logic under AddressSanitizer and UBSan,
# and the tools that run on the packaging machine.

add_library(launcher_pure STATIC ${LAUNCHER_PURE_SOURCES})
target_include_directories(launcher_pure PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(launcher_pure PRIVATE ${PELLUX_WARNINGS})

foreach(part writer javalib helperlib standins bridge maven-plugin examples tests bench)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${part}/CMakeLists.txt)
    add_subdirectory(${part})
  endif()
endforeach()
