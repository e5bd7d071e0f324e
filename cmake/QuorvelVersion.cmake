# The program's version is the project version and nothing else: this makes
# <build>/generated/quorvel/version.h from it, and the target quorvel_version
# puts that header on the include path of whoever links it (the account
# client, the application, the version resource).
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "The project version '${PROJECT_VERSION}' is not major.minor.patch")
endif()

set(QUORVEL_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in
               ${QUORVEL_GENERATED_DIR}/quorvel/version.h @ONLY)
add_library(quorvel_version INTERFACE)
target_include_directories(quorvel_version INTERFACE ${QUORVEL_GENERATED_DIR})
