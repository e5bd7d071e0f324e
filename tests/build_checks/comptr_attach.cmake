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
include(${CMAKE_CURRENT_LIST_DIR}/source_scan.cmake)

# A member access (. or ->), then Attach and its opening parenthesis, with
# any white space (line breaks too) between them.
source_scan_start(scan "(\\.|->)[ \t\r\n]*Attach[ \t\r\n]*\\(")
set(call_count 0)
set(calls "")
while(TRUE)
  source_scan_next(scan)
  if(scan_MATCH STREQUAL "")
    break()
  endif()
  # The whole line the call starts on, as the reader finds it.
  string(SUBSTRING "${scan_TEXT}" 0 ${scan_OFFSET} before)
  string(REGEX MATCH "[^\n]*$" line_start "${before}")
  string(SUBSTRING "${scan_TEXT}" ${scan_END} -1 rest)
  string(REGEX MATCH "^[^\n]*" line_end "${rest}")
  string(STRIP "${line_start}${scan_MATCH}${line_end}" shown_line)
  math(EXPR call_count "${call_count} + 1")
  string(APPEND calls "  ${scan_SHOWN}:${scan_LINE}: ${shown_line}\n")
endwhile()

message(STATUS "${scan_FILES} source files scanned for ComPtr::Attach")
if(NOT calls STREQUAL "")
  message(FATAL_ERROR "${call_count} ComPtr::Attach calls, each adding a reference under MinGW "
                      "that nobody releases: hand a new object's reference over with "
                      "*p.GetAddressOf() = new ... on an empty pointer\n${calls}")
endif()
