# The Windows build's integration tests. The C++ integration tests drive the
# Linux platform layer (raw and ICMP sockets, unshare) and are not built for
# Windows; the end-to-end suite runs a second time, against vornel.exe under
# wine, in the same private network namespaces.

# What the suite runs as "the binary": vornel.exe through the wine wrapper,
# so that the tests, vornel-fleet and shell commands start it as they start
# the Linux build; and vornel-shard.exe likewise, for the fleet an operator
# runs by hand in several consoles.
foreach(program vornel vornel-batch vornel-shard)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/${program}-wine
    CONTENT "#!/bin/sh\nexec '${CMAKE_CROSSCOMPILING_EMULATOR}' '$<TARGET_FILE:${program}>' \"$@\"\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
      WORLD_READ WORLD_EXECUTE)
endforeach()
set(VORNEL_WINE_LAUNCHER ${CMAKE_BINARY_DIR}/vornel-wine)

# DLLs named as system DLLs that the exe might look for beside itself, each
# leaving a marker file when loaded: the suite plants them beside a copy of
# vornel.exe (VORNEL_EXE) and checks that neither runs.
set(VORNEL_PLANTED_DIR ${CMAKE_BINARY_DIR}/planted)
foreach(dll IPHLPAPI bcrypt)
  add_library(planted_${dll} SHARED ${CMAKE_CURRENT_LIST_DIR}/windows/planted_dll.cc)
  set_target_properties(planted_${dll} PROPERTIES PREFIX "" OUTPUT_NAME ${dll}
    RUNTIME_OUTPUT_DIRECTORY ${VORNEL_PLANTED_DIR})
  target_compile_definitions(planted_${dll} PRIVATE VORNEL_PLANTED_NAME="${dll}")
endforeach()

# VORNEL_PLATFORM=windows: the harness gives each module's namespace a wine
# prefix and server of its own, reads the CRLF line ends the Windows build
# writes, and skips what cannot run under wine (each skip says why).
vornel_add_e2e_tests("integration;e2e;windows" 600
  "VORNEL_BINARY=${VORNEL_WINE_LAUNCHER};VORNEL_BATCH=${CMAKE_BINARY_DIR}/vornel-batch-wine;VORNEL_SHARD_EXE=${CMAKE_BINARY_DIR}/vornel-shard-wine;VORNEL_PLATFORM=windows;VORNEL_EXE=$<TARGET_FILE:vornel>;VORNEL_PLANTED_DIR=${VORNEL_PLANTED_DIR}")
