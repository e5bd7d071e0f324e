# Helpers shared by every subsystem's CMakeLists.

set(QUORVEL_PCH_HEADER ${CMAKE_CURRENT_LIST_DIR}/windows_pch.h)

# Warnings and Windows target version for every Quorvel target.
function(quorvel_target_defaults target)
  target_compile_definitions(${target} PRIVATE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0A00 WINVER=0x0A00 NTDDI_VERSION=0x0A000006)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()

# quorvel_add_library(name DIR dir [LIBS ...])
# A static library of every .cpp under DIR (recursively, but never into a
# nested folder that has a CMakeLists.txt of its own), with the Windows
# headers precompiled.
function(quorvel_add_library name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h ${ARG_DIR}/*.hlsl)
  file(GLOB_RECURSE nested_lists ${ARG_DIR}/*/CMakeLists.txt)
  foreach(list_file IN LISTS nested_lists)
    get_filename_component(nested_dir ${list_file} DIRECTORY)
    list(FILTER sources EXCLUDE REGEX "^${nested_dir}/")
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  target_precompile_headers(${name} PRIVATE ${QUORVEL_PCH_HEADER})
  quorvel_target_defaults(${name})
endfunction()

# quorvel_add_test_executable(name DIRS dir... LIBS lib... [TIMEOUT s] [SHARDS n]
#                             [LABELS ...])
# One GoogleTest executable built from every .cpp in the given folders (but
# not in a nested folder that has a CMakeLists.txt of its own) plus the
# shared test support, registered with CTest as one test, or with SHARDS as n
# tests name_shard_0 ... that each run every n-th test (GoogleTest's
# sharding), so that ctest -j spreads a long executable over the cores.
function(quorvel_add_test_executable name)
  cmake_parse_arguments(ARG "" "TIMEOUT;SHARDS" "DIRS;LIBS;LABELS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE dir_sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    # A nested folder with a CMakeLists.txt of its own builds its own tests.
    file(GLOB_RECURSE nested_lists ${dir}/*/CMakeLists.txt)
    foreach(list_file IN LISTS nested_lists)
      get_filename_component(nested_dir ${list_file} DIRECTORY)
      list(FILTER dir_sources EXCLUDE REGEX "^${nested_dir}/")
    endforeach()
    list(APPEND sources ${dir_sources})
  endforeach()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE quorvel_test_support ${ARG_LIBS})
  target_precompile_headers(${name} PRIVATE ${QUORVEL_PCH_HEADER})
  quorvel_target_defaults(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set(test_names)
  if(ARG_SHARDS AND ARG_SHARDS GREATER 1)
    math(EXPR last_shard "${ARG_SHARDS} - 1")
    foreach(shard RANGE ${last_shard})
      add_test(NAME ${name}_shard_${shard} COMMAND ${name} --gtest_color=no)
      set_tests_properties(${name}_shard_${shard} PROPERTIES
        ENVIRONMENT "GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${shard}")
      list(APPEND test_names ${name}_shard_${shard})
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    list(APPEND test_names ${name})
  endif()
  set_tests_properties(${test_names} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    set_tests_properties(${test_names} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# quorvel_add_dpi144_test(name target)
# The target's tests named *Dpi144* once more at 144 DPI: Wine takes the DPI
# from the prefix and never changes it, so they run in a prefix of their own
# whose user DPI is 144, shared by every such entry (one at a time, with the
# desktop lock). The tests skip at any other DPI.
function(quorvel_add_dpi144_test name target)
  if(NOT CMAKE_CROSSCOMPILING)
    return()
  endif()
  add_test(NAME ${name}
           COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine_emulator.sh
                   --prefix ${CMAKE_BINARY_DIR}/wineprefix-dpi144 --log-pixels 144
                   $<TARGET_FILE:${target}> --gtest_color=no --gtest_filter=*Dpi144*)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 RESOURCE_LOCK desktop)
endfunction()

# quorvel_add_header_check(name DIRS dir...)
# An object library that compiles every header under the given folders
# alone: one generated source per header that includes only it, without the
# precompiled header. Part of the default build, so a header that compiles
# only after others (or through the precompiled header) breaks the build.
function(quorvel_add_header_check name)
  cmake_parse_arguments(ARG "" "" "DIRS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.h)
    foreach(header IN LISTS headers)
      file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${header})
      string(REGEX REPLACE "[/.]" "_" stem ${relative})
      set(source ${CMAKE_CURRENT_BINARY_DIR}/${name}/${stem}.cpp)
      file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${relative}\"\n" @ONLY)
      list(APPEND sources ${source})
    endforeach()
  endforeach()
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  quorvel_target_defaults(${name})
endfunction()
