# What `cmake --install` puts in place besides the binary, and the Debian
# package that `cpack -G DEB` makes of it in a build directory.

# The man page is installed compressed, as Debian keeps them; gzip -n leaves
# no name or time stamp in it, so the same page makes the same package.
set(VORNEL_MAN_PAGES)
foreach(page vornel.1 vornel-shard.1)
  set(built ${PROJECT_BINARY_DIR}/man/${page})
  add_custom_command(OUTPUT ${built}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/${page} ${built}
    COMMAND gzip -9nf ${built}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page}
    VERBATIM)
  list(APPEND VORNEL_MAN_PAGES ${built}.gz)
endforeach()
add_custom_target(vornel_man_page ALL DEPENDS ${VORNEL_MAN_PAGES})

install(FILES ${VORNEL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/upload_list.example.txt
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornel)
set(CPACK_PACKAGE_CONTACT "Vornel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "load an INI configuration onto network devices over FTP, or fetch their config.ini")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
An interactive console utility: for each device of a batch list, or one
typed in, it reads the firmware version over FTP, checks with ICMP echo that
the device answers, then puts an INI file on it or fetches its config.ini.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_STRIP_FILES ON)
# The libraries the binary links (libcurl, libstdc++, ...) come from
# dpkg-shlibdeps; setcap, which the postinst runs, from libcap2-bin.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
