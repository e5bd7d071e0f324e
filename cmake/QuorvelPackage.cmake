# The download: Quorvel.exe without its debug information (about 116 MB of the
# linked program's 119 MB; about 3.4 MB are left), the debug information in
# Quorvel.exe.debug beside it, found by debuggers through the program's
# .gnu_debuglink, and a zip (about 1.4 MB) with the program and the README.
# Made in <build>/dist by the quorvel_package target; tools/package.sh copies
# it to dist/ at the top of the tree.
#
# MSVC keeps its debug information in a PDB already, so only MinGW builds
# have this step.
if(NOT MINGW OR NOT CMAKE_OBJCOPY OR NOT CMAKE_STRIP)
  return()
endif()

set(QUORVEL_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(QUORVEL_DIST_PROGRAM ${QUORVEL_DIST_DIR}/Quorvel.exe)
set(QUORVEL_DIST_ZIP ${QUORVEL_DIST_DIR}/Quorvel-${PROJECT_VERSION}-win64.zip)

# A zip of an earlier version must not sit beside the current one: the
# version changes only through project(), which reconfigures, so clearing
# them here is enough.
file(GLOB quorvel_stale_zips ${QUORVEL_DIST_DIR}/Quorvel-*-win64.zip)
list(REMOVE_ITEM quorvel_stale_zips ${QUORVEL_DIST_ZIP})
if(quorvel_stale_zips)
  file(REMOVE ${quorvel_stale_zips})
endif()

add_custom_command(
  OUTPUT ${QUORVEL_DIST_PROGRAM} ${QUORVEL_DIST_DIR}/Quorvel.exe.debug
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEL_DIST_DIR}
  COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:Quorvel> Quorvel.exe.debug
  # Strip carries the load-configuration directory entry over from the
  # linked program (the build checks read it from both).
  COMMAND ${CMAKE_STRIP} --strip-debug --strip-unneeded -o Quorvel.exe $<TARGET_FILE:Quorvel>
  # The link holds the debug file's name and checksum; run in its folder so
  # only the name is stored.
  COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=Quorvel.exe.debug Quorvel.exe
  DEPENDS Quorvel
  WORKING_DIRECTORY ${QUORVEL_DIST_DIR}
  COMMENT "Stripping Quorvel.exe into dist/ with its debug information beside it"
  VERBATIM)

add_custom_command(
  OUTPUT ${QUORVEL_DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${QUORVEL_DIST_DIR}/README.md
  COMMAND ${CMAKE_COMMAND} -E rm -f ${QUORVEL_DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${QUORVEL_DIST_ZIP} --format=zip Quorvel.exe README.md
  DEPENDS ${QUORVEL_DIST_PROGRAM} ${PROJECT_SOURCE_DIR}/README.md
  WORKING_DIRECTORY ${QUORVEL_DIST_DIR}
  COMMENT "Packing Quorvel.exe and the README into ${QUORVEL_DIST_ZIP}"
  VERBATIM)

add_custom_target(quorvel_package ALL DEPENDS ${QUORVEL_DIST_PROGRAM} ${QUORVEL_DIST_ZIP})
