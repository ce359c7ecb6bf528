# What `cmake --install` puts in place besides the binary, and the Debian
# package that `cpack -G DEB` makes of it in a build directory.

# The man page is installed compressed, as Debian keeps them; gzip -n leaves
# no name or time stamp in it, so the same page makes the same package.
set(VORNEL_MAN_PAGES)
foreach(page vornel.1 vornel-batch.1 vornel-shard.1 vornel-fleet.1)
  set(built ${PROJECT_BINARY_DIR}/man/${page})
  add_custom_command(OUTPUT ${built}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/${page} ${built}
    COMMAND gzip -9nf ${built}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page}
    VERBATIM)
  list(APPEND VORNEL_MAN_PAGES ${built}.gz)
endforeach()
add_custom_target(vornel_man_page ALL DEPENDS ${VORNEL_MAN_PAGES})

# The changelog likewise; a native package keeps it as changelog.gz.
set(VORNEL_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog)
add_custom_command(OUTPUT ${VORNEL_CHANGELOG}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog ${VORNEL_CHANGELOG}
  COMMAND gzip -9nf ${VORNEL_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(vornel_changelog ALL DEPENDS ${VORNEL_CHANGELOG}.gz)

# A package whose changelog names another version would tell the operator
# what changed in some other release; the top entry must be this one.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog VORNEL_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT VORNEL_CHANGELOG_TOP MATCHES "^vornel \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "the top entry of packaging/changelog is not vornel (${PROJECT_VERSION}); "
    "add one for this version on top")
endif()

# The copyright file in Debian's machine-readable format, with the terms of
# LICENSE (one copy of them in the tree): each line indented by one space,
# each blank line a lone dot. Expat is Debian's name for the MIT licence.
set(VORNEL_CONTACT "Vornel developers <vornel@example.org>")
file(READ ${PROJECT_SOURCE_DIR}/LICENSE VORNEL_LICENSE_TERMS)
string(REGEX REPLACE "^.*\n\n(Permission is hereby granted)" "\\1"
  VORNEL_LICENSE_TERMS "${VORNEL_LICENSE_TERMS}")
string(STRIP "${VORNEL_LICENSE_TERMS}" VORNEL_LICENSE_TERMS)
string(REPLACE "\n\n" "\n.\n" VORNEL_LICENSE_TERMS "${VORNEL_LICENSE_TERMS}")
string(REPLACE "\n" "\n " VORNEL_LICENSE_TERMS " ${VORNEL_LICENSE_TERMS}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/packaging/changelog)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)

install(FILES ${VORNEL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/upload_list.example.txt
  ${PROJECT_BINARY_DIR}/packaging/copyright ${VORNEL_CHANGELOG}.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The picture the README shows, where its link leads.
install(FILES ${PROJECT_SOURCE_DIR}/docs/report.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornel)
set(CPACK_PACKAGE_CONTACT "${VORNEL_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "load or fetch the INI configuration of network devices over FTP")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Vornel is an interactive console utility for putting one INI configuration
file on a batch of network devices, or for collecting the config.ini of each
of them, over FTP.

For every device, taken from a batch list or typed in, it logs in, reads the
firmware version from the login directory and refuses firmware that is too
old, checks with ICMP echo that the device answers, and only then uploads the
INI file or downloads config.ini. Every step is shown on the console and
appended to log.txt, and each pass ends with a summary of the failures.

vornel-batch runs the same passes ordered on the command line, for scripts
and schedulers, and writes a record per device; its check is a preflight
that sends nothing.

The install script gives /usr/bin/vornel and /usr/bin/vornel-batch the
CAP_NET_RAW capability, the way ping gets it, so that operators who are not
root can probe devices. The package holds the manual pages and an example
batch list.

vornel-fleet runs Vornel on a large fleet, several at a time, here or on
ssh hosts, and ends with one summary, a results.csv and the list of the
devices to run again; it can keep the history of the fetched configurations
in a git repository. vornel-shard cuts its lists and reads its outcomes.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Binaries are stripped as Debian strips them: no debug symbols and no
# compiler notes (.comment, .note); the build tree keeps the unstripped ones.
set(CPACK_VORNEL_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/strip.cmake)
# The libraries the binary links (libcurl, libstdc++, ...) come from
# dpkg-shlibdeps; setcap, which the postinst runs, from libcap2-bin.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin")
# vornel-fleet runs its shards under GNU parallel, on ssh hosts with rsync;
# its archive of fetched files (-A) is a git repository, written by git.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "parallel, git")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "openssh-client, rsync")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
