# Sources of this subsystem: pure ones build on every host; win32 ones only for Windows.
list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/text.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
)
