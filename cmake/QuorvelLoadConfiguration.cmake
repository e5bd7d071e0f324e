# quorvel_set_load_configuration(target)
#
# Makes Windows honour the program's load configuration, whose
# DependentLoadFlags keep the DLLs it imports to the system folder.
# MSVC's linker fills the load-configuration directory from the CRT's
# `_load_config_used` and takes the flags from /DEPENDENTLOADFLAG. A MinGW
# program defines `_load_config_used` itself, and GNU ld leaves the
# directory empty, so after every link set_load_configuration (a small
# build-host program, cmake/set_load_configuration.cpp) writes the
# structure's RVA and size into it. Strip keeps the entry.

if(MINGW)
  set(quorvel_load_configuration_source ${CMAKE_CURRENT_LIST_DIR}/set_load_configuration.cpp)
  if(CMAKE_CROSSCOMPILING)
    # Cross-compiled, the step must run on the build host: built with the
    # host's own C++ compiler, outside the target toolchain.
    find_program(QUORVEL_HOST_CXX NAMES c++ g++ clang++
                 DOC "C++ compiler for the build host's tools")
    if(NOT QUORVEL_HOST_CXX)
      message(FATAL_ERROR "No C++ compiler for the build host (c++, g++ or clang++): install "
                          "g++ or pass -DQUORVEL_HOST_CXX=<compiler>.")
    endif()
    set(QUORVEL_SET_LOAD_CONFIGURATION ${CMAKE_BINARY_DIR}/host/set_load_configuration)
    add_custom_command(
      OUTPUT ${QUORVEL_SET_LOAD_CONFIGURATION}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
      COMMAND ${QUORVEL_HOST_CXX} -std=c++17 -O2 -o ${QUORVEL_SET_LOAD_CONFIGURATION}
              ${quorvel_load_configuration_source}
      DEPENDS ${quorvel_load_configuration_source}
      COMMENT "Building set_load_configuration for the build host"
      VERBATIM)
    add_custom_target(quorvel_set_load_configuration DEPENDS ${QUORVEL_SET_LOAD_CONFIGURATION})
  else()
    add_executable(quorvel_set_load_configuration ${quorvel_load_configuration_source})
    set(QUORVEL_SET_LOAD_CONFIGURATION $<TARGET_FILE:quorvel_set_load_configuration>)
  endif()
endif()

function(quorvel_set_load_configuration target)
  if(MSVC)
    target_link_options(${target} PRIVATE /DEPENDENTLOADFLAG:0x800)
  elseif(MINGW)
    add_dependencies(${target} quorvel_set_load_configuration)
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${QUORVEL_SET_LOAD_CONFIGURATION} $<TARGET_FILE:${target}>
                       VERBATIM)
  endif()
endfunction()
