# Tests of the Java runtime library with the JDK of the build machine: the
# classes in-process under JUnit 4, the entry classes in child VMs.
set(junit_path /usr/share/java/junit4.jar:/usr/share/java/hamcrest-core.jar)
set(out ${CMAKE_BINARY_DIR}/javalib)
set(here ${CMAKE_CURRENT_LIST_DIR})
file(GLOB_RECURSE test_sources CONFIGURE_DEPENDS ${here}/unit/*.java)
file(GLOB_RECURSE app_sources CONFIGURE_DEPENDS ${here}/apps/testapp/*.java)
file(GLOB_RECURSE module_app_sources CONFIGURE_DEPENDS ${here}/apps/test.app/*.java)

add_custom_command(OUTPUT ${out}/tests.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${out}/test-classes ${out}/test-apps ${out}/test.app.jar
  COMMAND ${PELLUX_JAVAC} ${PELLUX_JAVAC_FLAGS} -d ${out}/test-apps ${app_sources}
  COMMAND ${PELLUX_JAVAC} ${PELLUX_JAVAC_FLAGS} -d ${out}/test-apps/test.app ${module_app_sources}
  COMMAND ${PELLUX_JAR} --create --file ${out}/test.app.jar
          --main-class test.app.internal.ModMain -C ${out}/test-apps/test.app .
  COMMAND ${PELLUX_JAVAC} ${PELLUX_JAVAC_FLAGS} -d ${out}/test-classes
          -cp ${junit_path}:${out}/pelluxruntime.jar ${test_sources}
  COMMAND ${CMAKE_COMMAND} -E touch ${out}/tests.stamp
  DEPENDS ${test_sources} ${app_sources} ${module_app_sources} runtime_jars
          ${out}/pelluxruntime.jar ${out}/znoruntime.jar
  COMMENT "Building the Java runtime library's tests"
  VERBATIM)
add_custom_target(javalib_tests ALL DEPENDS ${out}/tests.stamp)

foreach(test_class LauncherParametersTest StopRequestWatcherTest ServiceChannelTest OutputRedirectionTest
                   ApplicationStarterTest RuntimeJarTest LaunchTest ServiceStopTest)
  add_test(NAME javalib.${test_class}
    COMMAND ${PELLUX_JAVA} -XX:TieredStopAtLevel=1
            -Dpellux.test.pelluxJar=${out}/pelluxruntime.jar
            -Dpellux.test.zanthorJar=${out}/znoruntime.jar
            -Dpellux.test.appClasses=${out}/test-apps
            -Dpellux.test.appModuleJar=${out}/test.app.jar
            -cp ${junit_path}:${out}/test-classes:${out}/pelluxruntime.jar
            org.junit.runner.JUnitCore com.pellux.runtime.${test_class})
  set_tests_properties(javalib.${test_class} PROPERTIES TIMEOUT 60)
endforeach()
