# Builds the two jars of the Java runtime library into ${CMAKE_BINARY_DIR}/javalib/:
#   znoruntime.jar     module com.zanthor.runtime (flavour 'i', shipped as .zanthor\znoruntime.jar)
#   pelluxruntime.jar  module com.pellux.runtime  (any other flavour)
# Any tree may include this file and call pellux_add_runtime_jars(); the target
# `runtime_jars` builds both, the cache variables PELLUX_ZANTHOR_RUNTIME_JAR and
# PELLUX_PELLUX_RUNTIME_JAR name them.
#
# Classes are compiled for Java 8; module-info and the Java 9 variants of a few
# classes go under META-INF/versions/9 (a multi-release jar), so the same jar
# runs on Java 8's class path and on a module path.

set(PELLUX_JAVALIB_DIR ${CMAKE_CURRENT_LIST_DIR})
# Newer JDKs call release 8 obsolete; that warning must not fail the build.
set(PELLUX_JAVAC_FLAGS -encoding UTF-8 -Xlint:all,-options -Werror)

function(pellux_find_jdk)
  find_package(Java 9 REQUIRED COMPONENTS Runtime Development)
  set(PELLUX_JAVA ${Java_JAVA_EXECUTABLE} CACHE INTERNAL "java of the build machine")
  set(PELLUX_JAVAC ${Java_JAVAC_EXECUTABLE} CACHE INTERNAL "javac of the build machine")
  set(PELLUX_JAR ${Java_JAR_EXECUTABLE} CACHE INTERNAL "jar of the build machine")
endfunction()

# jar: output file; module: module name; ARGN: source folders of the Java 8 classes.
function(pellux_build_runtime_jar jar module)
  set(work ${CMAKE_BINARY_DIR}/javalib/${module})
  set(sources)
  foreach(folder ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${folder}/*.java)
    list(APPEND sources ${found})
  endforeach()
  file(GLOB_RECURSE java9_sources CONFIGURE_DEPENDS ${PELLUX_JAVALIB_DIR}/src/java9/*.java)
  set(module_info ${PELLUX_JAVALIB_DIR}/src/modules/${module}/module-info.java)
  set(manifest ${CMAKE_BINARY_DIR}/javalib/${module}.manifest)
  # Rewritten only when it changes, so configuring again builds nothing.
  file(CONFIGURE OUTPUT ${manifest} CONTENT
       "Implementation-Title: pellux runtime library (${module})\nImplementation-Version: ${PROJECT_VERSION}\n")
  add_custom_command(OUTPUT ${jar}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${work} ${jar}
    COMMAND ${PELLUX_JAVAC} --release 8 ${PELLUX_JAVAC_FLAGS} -d ${work}/base ${sources}
    COMMAND ${PELLUX_JAVAC} --release 9 ${PELLUX_JAVAC_FLAGS} --patch-module ${module}=${work}/base
            -d ${work}/9 ${module_info} ${java9_sources}
    COMMAND ${PELLUX_JAR} --create --file ${jar} --manifest ${manifest} -C ${work}/base . --release 9 -C ${work}/9 .
    DEPENDS ${sources} ${java9_sources} ${module_info} ${manifest}
    COMMENT "Building ${jar}"
    VERBATIM)
endfunction()

function(pellux_add_runtime_jars)
  if(TARGET runtime_jars)
    return()
  endif()
  pellux_find_jdk()
  set(out ${CMAKE_BINARY_DIR}/javalib)
  set(shared ${PELLUX_JAVALIB_DIR}/src/shared)
  pellux_build_runtime_jar(${out}/pelluxruntime.jar com.pellux.runtime ${shared})
  pellux_build_runtime_jar(${out}/znoruntime.jar com.zanthor.runtime
                           ${shared} ${PELLUX_JAVALIB_DIR}/src/zanthor)
  add_custom_target(runtime_jars ALL DEPENDS ${out}/pelluxruntime.jar ${out}/znoruntime.jar)
  set(PELLUX_PELLUX_RUNTIME_JAR ${out}/pelluxruntime.jar CACHE INTERNAL "runtime jar, pellux flavour")
  set(PELLUX_ZANTHOR_RUNTIME_JAR ${out}/znoruntime.jar CACHE INTERNAL "runtime jar, flavour 'i'")
endfunction()
