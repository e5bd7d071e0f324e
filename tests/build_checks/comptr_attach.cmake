# Fails on any call of a member named Attach in the given source folders.
# MinGW-w64's ComPtr::Attach adds a reference where Microsoft's takes the
# caller's over, so `p.Attach(new T)` leaks the object in the MinGW build
# alone; a new object's reference is handed over with
# `*p.GetAddressOf() = new T` on an empty pointer instead. No other type in
# the tree has a method of that name, so every such call is a ComPtr's.
# Mentions in prose ("ComPtr::Attach adds one") are not calls and pass.
#
#   cmake -DSOURCE_DIRS=<dir>[|<dir>...] -P comptr_attach.cmake

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIRS)
  message(FATAL_ERROR "comptr_attach.cmake: pass -DSOURCE_DIRS=<dir>|<dir>...")
endif()
string(REPLACE "|" ";" source_dirs "${SOURCE_DIRS}")

# A member access (. or ->), then Attach and its opening parenthesis, with
# any white space (line breaks too) between them.
set(call_pattern "(\\.|->)[ \t\r\n]*Attach[ \t\r\n]*\\(")
set(file_count 0)
set(call_count 0)
set(calls "")
foreach(dir IN LISTS source_dirs)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "comptr_attach.cmake: no folder ${dir}")
  endif()
  file(GLOB_RECURSE files "${dir}/*.cpp" "${dir}/*.h" "${dir}/*.c")
  list(SORT files)
  foreach(file IN LISTS files)
    math(EXPR file_count "${file_count} + 1")
    file(READ "${file}" content)
    set(rest "${content}")
    set(consumed 0)
    while(TRUE)
      string(REGEX MATCH "${call_pattern}" call "${rest}")
      if(call STREQUAL "")
        break()
      endif()
      string(FIND "${rest}" "${call}" at)
      string(LENGTH "${call}" call_length)
      math(EXPR absolute "${consumed} + ${at}")
      string(SUBSTRING "${content}" 0 ${absolute} before)
      string(REGEX REPLACE "[^\n]" "" newlines "${before}")
      string(LENGTH "${newlines}" line)
      math(EXPR line "${line} + 1")
      # The whole line the call starts on, as the reader finds it.
      string(REGEX MATCH "[^\n]*$" line_start "${before}")
      math(EXPR after "${at} + ${call_length}")
      string(SUBSTRING "${rest}" ${after} -1 rest)
      string(REGEX MATCH "^[^\n]*" line_end "${rest}")
      string(STRIP "${line_start}${call}${line_end}" shown_line)
      file(RELATIVE_PATH shown "${dir}/.." "${file}")
      math(EXPR call_count "${call_count} + 1")
      string(APPEND calls "  ${shown}:${line}: ${shown_line}\n")
      math(EXPR consumed "${absolute} + ${call_length}")
    endwhile()
  endforeach()
endforeach()

message(STATUS "${file_count} source files scanned for ComPtr::Attach")
if(NOT calls STREQUAL "")
  message(FATAL_ERROR "${call_count} ComPtr::Attach calls, each adding a reference under MinGW "
                      "that nobody releases: hand a new object's reference over with "
                      "*p.GetAddressOf() = new ... on an empty pointer\n${calls}")
endif()
