# The zip handed to Windows operators, made by `cpack` (target `package`) in
# the Windows build: vornel-<version>-win64.zip holding one folder with
# vornel.exe, vornel-batch.exe (the passes without questions, a record per
# device), vornel-shard.exe (cuts a list for several consoles and reads
# their outcomes back), README.txt and example upload_list.txt and
# download_list.txt.
# The texts get CRLF line ends, as Notepad and the rest of Windows expect;
# Vornel reads lists with either.

set(VORNEL_ZIP_TEXT ${PROJECT_BINARY_DIR}/zip-text)

# Writes source to target with CRLF line ends, at configure time; a change
# to source reconfigures.
function(vornel_crlf_copy source target)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${target} "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()

vornel_crlf_copy(${PROJECT_SOURCE_DIR}/README.md ${VORNEL_ZIP_TEXT}/README.txt)
# The example list, under both names, so that a new user sees the format
# where Vornel looks for it.
foreach(list upload_list.txt download_list.txt)
  vornel_crlf_copy(${PROJECT_SOURCE_DIR}/docs/upload_list.example.txt ${VORNEL_ZIP_TEXT}/${list})
endforeach()
set(VORNEL_ZIP_FILES ${VORNEL_ZIP_TEXT}/README.txt ${VORNEL_ZIP_TEXT}/upload_list.txt
  ${VORNEL_ZIP_TEXT}/download_list.txt)
foreach(licence LICENSE LICENSE.txt COPYING)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${licence})
    get_filename_component(licence_name ${licence} NAME_WE)
    vornel_crlf_copy(${PROJECT_SOURCE_DIR}/${licence} ${VORNEL_ZIP_TEXT}/${licence_name}.txt)
    list(APPEND VORNEL_ZIP_FILES ${VORNEL_ZIP_TEXT}/${licence_name}.txt)
  endif()
endforeach()

install(TARGETS vornel vornel-batch vornel-shard RUNTIME DESTINATION .)
install(FILES ${VORNEL_ZIP_FILES} DESTINATION .)
# The picture README.txt shows, where its link leads.
install(FILES ${PROJECT_SOURCE_DIR}/docs/report.png DESTINATION docs)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vornel)
set(CPACK_PACKAGE_FILE_NAME vornel-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
