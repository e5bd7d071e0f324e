# Fails unless a 64-bit program's load configuration asks Windows to look
# for the DLLs it imports in the system folder alone: the PE's
# load-configuration data directory (index 10) must point into the file at
# a structure whose Size reaches DependentLoadFlags (offset 0x4E), and
# DependentLoadFlags must hold LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800).
# Without that the loader resolves the imports from the program's own
# folder first, before any of its code runs. Prints the directory entry and
# the structure's first 0x50 bytes as read.
#
#   cmake -DPROGRAM=<exe> -P load_configuration.cmake

cmake_minimum_required(VERSION 3.25)

if(NOT PROGRAM OR NOT EXISTS "${PROGRAM}")
  message(FATAL_ERROR "load_configuration.cmake: no program at '${PROGRAM}'")
endif()
get_filename_component(program_name "${PROGRAM}" NAME)
file(SIZE "${PROGRAM}" program_size)

# The `count` bytes at `offset` as hex, in file order.
function(read_hex offset count out)
  math(EXPR end "${offset} + ${count}")
  if(offset LESS 0 OR end GREATER program_size)
    message(FATAL_ERROR "${program_name}: reading ${count} bytes at ${offset} runs past its end")
  endif()
  file(READ "${PROGRAM}" hex OFFSET ${offset} LIMIT ${count} HEX)
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# The little-endian unsigned number of `count` bytes at `offset`.
function(read_number offset count out)
  read_hex(${offset} ${count} hex)
  set(value "")
  string(LENGTH "${hex}" length)
  while(length GREATER 0)
    math(EXPR length "${length} - 2")
    string(SUBSTRING "${hex}" ${length} 2 byte)
    string(APPEND value "${byte}")
  endwhile()
  math(EXPR value "0x${value}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The little-endian unsigned number of `count` bytes, `field` bytes past
# `base`: the PE format places each field from the start of its header or
# structure.
function(read_field base field count out)
  math(EXPR offset "${base} + ${field}")
  read_number(${offset} ${count} value)
  set(${out} ${value} PARENT_SCOPE)
endfunction()

function(to_hex value out)
  math(EXPR shown "${value}" OUTPUT_FORMAT HEXADECIMAL)
  set(${out} ${shown} PARENT_SCOPE)
endfunction()

read_number(0 2 dos_magic)
read_number(60 4 pe_offset)
read_number(${pe_offset} 4 pe_signature)
if(NOT dos_magic EQUAL 0x5A4D OR NOT pe_signature EQUAL 0x4550)
  message(FATAL_ERROR "${program_name} is not a PE program")
endif()
math(EXPR coff "${pe_offset} + 4")
math(EXPR optional "${coff} + 20")
read_number(${optional} 2 optional_magic)
if(NOT optional_magic EQUAL 0x20B)
  message(FATAL_ERROR "${program_name} is not a 64-bit (PE32+) program")
endif()
read_field(${coff} 2 2 section_count)
read_field(${coff} 16 2 optional_size)
read_field(${optional} 108 4 directory_count)

set(directory_rva 0)
set(directory_size 0)
set(directory_hex "(none)")
if(directory_count GREATER 10)
  math(EXPR entry "${optional} + 112 + 10 * 8")
  read_hex(${entry} 8 directory_hex)
  read_field(${entry} 0 4 directory_rva)
  read_field(${entry} 4 4 directory_size)
endif()
message(STATUS "${program_name}: load-configuration directory entry ${directory_hex}")
if(directory_rva EQUAL 0 OR directory_size EQUAL 0)
  message(FATAL_ERROR "${program_name} has no load-configuration directory: Windows looks for "
                      "the DLLs it imports beside it first")
endif()

# The section whose file data holds the structure.
set(structure_offset -1)
math(EXPR sections "${optional} + ${optional_size}")
math(EXPR last_section "${section_count} - 1")
foreach(index RANGE ${last_section})
  math(EXPR header "${sections} + ${index} * 40")
  read_field(${header} 12 4 section_rva)
  read_field(${header} 16 4 raw_size)
  read_field(${header} 20 4 raw_offset)
  math(EXPR section_end "${section_rva} + ${raw_size}")
  if(directory_rva GREATER_EQUAL section_rva AND directory_rva LESS section_end)
    math(EXPR structure_offset "${raw_offset} + ${directory_rva} - ${section_rva}")
    math(EXPR room "${section_end} - ${directory_rva}")
    break()
  endif()
endforeach()
to_hex(${directory_rva} shown_rva)
if(structure_offset LESS 0)
  message(FATAL_ERROR "${program_name}'s load-configuration directory points at RVA ${shown_rva}, "
                      "in no section's file data")
endif()

read_number(${structure_offset} 4 structure_size)
to_hex(${structure_size} shown_size)
if(structure_size LESS 0x50 OR structure_size GREATER room)
  message(FATAL_ERROR "${program_name}'s load configuration at RVA ${shown_rva} has Size "
                      "${shown_size}, which does not cover DependentLoadFlags at 0x4E")
endif()
read_hex(${structure_offset} 80 structure_hex)
message(STATUS "${program_name}: load configuration at RVA ${shown_rva}, file offset "
               "${structure_offset}, Size ${shown_size}, bytes 0x00-0x4F: ${structure_hex}")

read_field(${structure_offset} 0x4E 2 dependent_load_flags)
to_hex(${dependent_load_flags} shown_flags)
math(EXPR system_folder "${dependent_load_flags} & 0x800")
if(system_folder EQUAL 0)
  message(FATAL_ERROR "${program_name}'s DependentLoadFlags ${shown_flags} lack "
                      "LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800): Windows looks for the DLLs it "
                      "imports beside it first")
endif()
message(STATUS "${program_name}: DependentLoadFlags ${shown_flags}: imported DLLs come from the "
               "system folder alone")
