# The project's version as a header every tree can include ("pellux_version.h")
# and as the values the version resources and the jar manifests take.
set(PELLUX_VERSION ${PROJECT_VERSION})
set(PELLUX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/pellux_version.h.in ${PELLUX_GENERATED_DIR}/pellux_version.h @ONLY)
include_directories(${PELLUX_GENERATED_DIR})
