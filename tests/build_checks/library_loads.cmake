# Lists every run-time library load in the given source folders and fails on
# any that could pick up a DLL planted beside the program or in the current
# folder: a bare LoadLibrary/LoadLibraryW/LoadLibraryA, or a LoadLibraryEx
# whose arguments do not ask for LOAD_LIBRARY_SEARCH_SYSTEM32.
#
#   cmake -DSOURCE_DIRS=<dir>[|<dir>...] -P library_loads.cmake

cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/source_scan.cmake)

source_scan_start(scan "(^|[^A-Za-z0-9_])(LoadLibrary(Ex)?[AW]?)[ \t\r\n]*\\(")
set(load_count 0)
set(violation_count 0)
set(violations "")
while(TRUE)
  source_scan_next(scan)
  if(scan_MATCH STREQUAL "")
    break()
  endif()
  set(function "${CMAKE_MATCH_2}")
  string(SUBSTRING "${scan_TEXT}" ${scan_END} -1 tail)
  # The call's arguments run to its closing parenthesis.
  set(depth 1)
  set(index 0)
  string(LENGTH "${tail}" tail_length)
  while(depth GREATER 0 AND index LESS tail_length)
    string(SUBSTRING "${tail}" ${index} 1 character)
    if(character STREQUAL "(")
      math(EXPR depth "${depth} + 1")
    elseif(character STREQUAL ")")
      math(EXPR depth "${depth} - 1")
    endif()
    math(EXPR index "${index} + 1")
  endwhile()
  string(SUBSTRING "${tail}" 0 ${index} arguments)
  string(REGEX REPLACE "[ \t\r\n]+" " " arguments "${arguments}")

  set(where "${scan_SHOWN}:${scan_LINE}: ${function}(${arguments}")

  math(EXPR load_count "${load_count} + 1")
  if(NOT function MATCHES "^LoadLibraryEx")
    math(EXPR violation_count "${violation_count} + 1")
    string(APPEND violations "  ${where}\n    searches the program's folder first: use LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32\n")
  elseif(NOT arguments MATCHES "LOAD_LIBRARY_SEARCH_SYSTEM32")
    math(EXPR violation_count "${violation_count} + 1")
    string(APPEND violations "  ${where}\n    does not restrict the search to the system folder (LOAD_LIBRARY_SEARCH_SYSTEM32)\n")
  else()
    message(STATUS "system-folder load: ${where}")
  endif()
endwhile()

message(STATUS "${load_count} run-time library loads found")
if(NOT violations STREQUAL "")
  message(FATAL_ERROR "${violation_count} of ${load_count} run-time library loads can pick up "
                      "a planted DLL:\n${violations}")
endif()
