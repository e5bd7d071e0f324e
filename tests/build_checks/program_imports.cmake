# Fails when a program imports any of the given DLLs statically: Windows then
# refuses to start it on a machine without them, before any of its code runs.
#
#   cmake -DPROGRAM=<exe> -DFORBIDDEN=<dll>[|<dll>...] -DOBJDUMP=<objdump>
#         [-DDUMPBIN=<dumpbin>] -P program_imports.cmake
#
# OBJDUMP (binutils, -p) or DUMPBIN (MSVC, /dependents) lists the imports.
# Names are compared without regard to case, as Windows compares them.
cmake_minimum_required(VERSION 3.25)

if(NOT PROGRAM OR NOT EXISTS "${PROGRAM}")
  message(FATAL_ERROR "program_imports.cmake: no program at '${PROGRAM}'")
endif()
if(OBJDUMP)
  execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE listing
                  RESULT_VARIABLE result)
  set(name_pattern "DLL Name: ([^\r\n]+)")
elseif(DUMPBIN)
  execute_process(COMMAND "${DUMPBIN}" /nologo /dependents "${PROGRAM}" OUTPUT_VARIABLE listing
                  RESULT_VARIABLE result)
  set(name_pattern "\n[ \t]+([A-Za-z0-9_.-]+\\.[Dd][Ll][Ll])[ \t]*\r?")
else()
  message(FATAL_ERROR "program_imports.cmake: pass OBJDUMP or DUMPBIN")
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "program_imports.cmake: listing the imports of ${PROGRAM} failed (${result})")
endif()

string(REGEX MATCHALL "${name_pattern}" lines "${listing}")
set(imported)
foreach(line IN LISTS lines)
  string(REGEX MATCH "${name_pattern}" line "${line}")
  string(STRIP "${CMAKE_MATCH_1}" name)
  string(TOLOWER "${name}" name)
  list(APPEND imported "${name}")
endforeach()
list(REMOVE_DUPLICATES imported)
list(SORT imported)
if(NOT imported)
  message(FATAL_ERROR "program_imports.cmake: found no imports in ${PROGRAM}")
endif()
get_filename_component(program_name "${PROGRAM}" NAME)
string(REPLACE ";" " " shown "${imported}")
message(STATUS "${program_name} imports: ${shown}")

string(REPLACE "|" ";" forbidden "${FORBIDDEN}")
set(found)
foreach(name IN LISTS forbidden)
  string(TOLOWER "${name}" name)
  if(name IN_LIST imported)
    list(APPEND found "${name}")
  endif()
endforeach()
if(found)
  string(REPLACE ";" ", " found "${found}")
  message(FATAL_ERROR "${program_name} imports ${found}: it would not start where they are "
                      "missing. Load them at run time instead.")
endif()
