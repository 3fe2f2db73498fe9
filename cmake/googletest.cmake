# GoogleTest is built in each tree from the sources Debian's googletest package installs.
set(PELLUX_GTEST_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest sources")
add_library(gtest STATIC ${PELLUX_GTEST_DIR}/src/gtest-all.cc)
target_include_directories(gtest SYSTEM PUBLIC ${PELLUX_GTEST_DIR}/include PRIVATE ${PELLUX_GTEST_DIR})
if(WIN32)
  target_compile_options(gtest PRIVATE -O1)
else()
  find_package(Threads REQUIRED)
  target_link_libraries(gtest PUBLIC Threads::Threads)
endif()

add_library(gtest_main STATIC ${PELLUX_GTEST_DIR}/src/gtest_main.cc)
target_link_libraries(gtest_main PUBLIC gtest)
