# Run by cpack once the package's files are staged: strips every ELF file in
# the package the way Debian's dh_strip strips an executable, debug symbols
# and the compiler's notes (.comment, .note) alike, so that any binary added
# to the package later is stripped too.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND "${CPACK_VORNEL_STRIP}" --remove-section=.comment --remove-section=.note
      "${file}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "strip ${file} failed")
    endif()
  endif()
endforeach()
