list(APPEND LAUNCHER_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/host_events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/readiness_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/robustness_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/security_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_rules.cpp
)
list(APPEND LAUNCHER_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/diagnose.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_event_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_security.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_account.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_probe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_registration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stop_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/worker_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/worker_guard.cpp
)
