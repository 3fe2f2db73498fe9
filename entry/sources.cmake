# Sources of this subsystem: pure ones build on every host; win32 ones only for Windows.
list(APPEND LAUNCHER_PURE_SOURCES
)
list(APPEND LAUNCHER_WIN32_SOURCES
)
