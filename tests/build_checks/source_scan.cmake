# The walk the scans of the tree's C++ sources share: a cursor that visits
# every match of a pattern in the .cpp, .h and .c files below the folders of
# SOURCE_DIRS, folder by folder and file by file in sorted order, so that a
# report keeps one order on every host. A scan run with `cmake -P` includes
# this file from its own folder:
#
#   source_scan_start(scan "<pattern>")
#   while(TRUE)
#     source_scan_next(scan)
#     if(scan_MATCH STREQUAL "")
#       break()
#     endif()
#     ... judge the match ...
#   endwhile()
#
# After each source_scan_next the cursor's variables say:
#   <cursor>_MATCH   the matched text; empty once every file has been read
#   <cursor>_TEXT    the text of the file it is in
#   <cursor>_OFFSET  where in that text it starts, <cursor>_END where it ends
#   <cursor>_LINE    the line it starts on, counted from 1
#   <cursor>_SHOWN   the file's path from the parent of its scanned folder,
#                    so a report names the product folder ("engine/x.cpp")
#   <cursor>_FILES   how many files have been read so far
# and CMAKE_MATCH_0 to CMAKE_MATCH_9 hold its groups as string(REGEX MATCH)
# leaves them.

get_filename_component(source_scan_script "${CMAKE_SCRIPT_MODE_FILE}" NAME)

# The folders come joined with | because a semicolon would split CTest's
# command line into arguments.
function(source_scan_start cursor pattern)
  if(NOT SOURCE_DIRS)
    message(FATAL_ERROR "${source_scan_script}: pass -DSOURCE_DIRS=<dir>|<dir>...")
  endif()
  string(REPLACE "|" ";" folders "${SOURCE_DIRS}")
  set(${cursor}_PATTERN "${pattern}" PARENT_SCOPE)
  set(${cursor}_FOLDERS "${folders}" PARENT_SCOPE)
  set(${cursor}_PENDING "" PARENT_SCOPE)
  set(${cursor}_TEXT "" PARENT_SCOPE)
  set(${cursor}_END 0 PARENT_SCOPE)
  set(${cursor}_FILES 0 PARENT_SCOPE)
endfunction()

# Every .cpp, .h and .c file below <dir>, sorted. A missing folder fails the
# scan rather than passing it with nothing read; source_scan_next opens a
# folder only once the one before it is done, so what came before it has
# been reported by then.
function(source_scan_files dir out)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "${source_scan_script}: no folder ${dir}")
  endif()
  file(GLOB_RECURSE files "${dir}/*.cpp" "${dir}/*.h" "${dir}/*.c")
  list(SORT files)
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

# Moves <cursor> to the next match, reading on through files and folders
# until it finds one or none are left.
function(source_scan_next cursor)
  foreach(field IN ITEMS PATTERN FOLDERS PENDING DIR FILE TEXT END FILES)
    string(TOLOWER ${field} name)
    set(${name} "${${cursor}_${field}}")
  endforeach()

  while(TRUE)
    string(SUBSTRING "${text}" ${end} -1 rest)
    string(REGEX MATCH "${pattern}" match "${rest}")
    if(NOT match STREQUAL "")
      break()
    endif()
    while(pending STREQUAL "")
      if(folders STREQUAL "")
        set(${cursor}_MATCH "" PARENT_SCOPE)
        set(${cursor}_FILES ${files} PARENT_SCOPE)
        return()
      endif()
      list(POP_FRONT folders dir)
      source_scan_files("${dir}" pending)
    endwhile()
    list(POP_FRONT pending file)
    file(READ "${file}" text)
    set(end 0)
    math(EXPR files "${files} + 1")
  endwhile()
  foreach(group RANGE 9)
    set(CMAKE_MATCH_${group} "${CMAKE_MATCH_${group}}" PARENT_SCOPE)
  endforeach()

  # string(REGEX MATCH) gives the text alone: its first place in what is
  # left of the file is where the match starts.
  string(FIND "${rest}" "${match}" at)
  string(LENGTH "${match}" length)
  math(EXPR offset "${end} + ${at}")
  math(EXPR end "${offset} + ${length}")
  string(SUBSTRING "${text}" 0 ${offset} before)
  string(REGEX REPLACE "[^\n]" "" newlines "${before}")
  string(LENGTH "${newlines}" line)
  math(EXPR line "${line} + 1")
  file(RELATIVE_PATH shown "${dir}/.." "${file}")

  foreach(field IN ITEMS FOLDERS PENDING DIR FILE TEXT END FILES MATCH OFFSET LINE SHOWN)
    string(TOLOWER ${field} name)
    set(${cursor}_${field} "${${name}}" PARENT_SCOPE)
  endforeach()
endfunction()
