# Installing and packaging. Included last from the top-level CMakeLists.txt, so the
# package holds whatever the subdirectories install (gtm2wtr; with the app, quendra, its
# .desktop entry and icons, and the GTM MIME types). scripts/package.sh builds the .deb with
# cpack.
include(GNUInstallDirs)

if(UNIX AND NOT APPLE)
    # Man pages and the changelog, compressed as Debian keeps them (gzip -9n: best
    # compression, no name or time stamp, so the package is reproducible); made again when
    # a source changes.
    find_program(QUENDRA_GZIP gzip REQUIRED)
    function(quendra_install_gzipped source destination)
        get_filename_component(name ${source} NAME)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
        file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/gz)
        execute_process(COMMAND ${QUENDRA_GZIP} -9n -c ${source}
                        OUTPUT_FILE ${CMAKE_BINARY_DIR}/gz/${name}.gz COMMAND_ERROR_IS_FATAL ANY)
        install(FILES ${CMAKE_BINARY_DIR}/gz/${name}.gz DESTINATION ${destination})
    endfunction()
    quendra_install_gzipped(${PROJECT_SOURCE_DIR}/docs/gtm2wtr.1 ${CMAKE_INSTALL_MANDIR}/man1)
    if(TARGET quendra)
        quendra_install_gzipped(${PROJECT_SOURCE_DIR}/docs/quendra.1 ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
    # A native package's changelog; its newest entry must name the version being built.
    set(QUENDRA_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)
    file(STRINGS ${QUENDRA_CHANGELOG} changelog_top LIMIT_COUNT 1)
    if(NOT changelog_top MATCHES "^quendra \\(${PROJECT_VERSION}\\) ")
        message(FATAL_ERROR "${QUENDRA_CHANGELOG} starts with '${changelog_top}', "
                            "not with version ${PROJECT_VERSION}")
    endif()
    quendra_install_gzipped(${QUENDRA_CHANGELOG} ${CMAKE_INSTALL_DATADIR}/doc/quendra)
    if(TARGET quendra)
        # The GTM file types the dialog's desktop entry opens. Installing the .deb updates
        # the MIME database through shared-mime-info's dpkg trigger on this folder.
        install(FILES ${PROJECT_SOURCE_DIR}/res/quendra-mime.xml
                DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quendra.xml)
        # What software centres list; named after the component id it holds.
        install(FILES ${PROJECT_SOURCE_DIR}/res/quendra.metainfo.xml
                DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
                RENAME invalid.quendra.quendra.metainfo.xml)
    endif()

    # The Debian copyright file (machine-readable format), made from LICENSE so the license
    # text lives in one place: its body indented, blank lines as " .".
    set(QUENDRA_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUENDRA_LICENSE})
    file(READ ${QUENDRA_LICENSE} license_body)
    string(REGEX REPLACE "^.*Copyright[^\n]*\n\n" "" license_body "${license_body}")
    string(REGEX REPLACE "\n+$" "" license_body "${license_body}")
    string(REPLACE "\n\n" "\n.\n" license_body "${license_body}")
    string(REPLACE "\n" "\n " license_body "${license_body}")
    file(WRITE ${CMAKE_BINARY_DIR}/copyright
         "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
         "Upstream-Name: Quendra\n\n"
         "Files: *\n"
         "Copyright: 2026 The Quendra developers\n"
         "License: Expat\n"
         " ${license_body}\n")
    install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quendra)
endif()

set(CPACK_PACKAGE_NAME quendra)
set(CPACK_PACKAGE_VENDOR Quendra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GPS TrackMaker (.gtm) to Garmin WTR waypoint converter")
set(CPACK_PACKAGE_CONTACT "Quendra maintainers <maintainers@quendra.invalid>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; cpack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Converts the waypoints of GPS TrackMaker data files into Garmin WTR waypoint
files, keeping Big5 names byte for byte and shifting files in the Taiwanese
Hu-Tzu-Shan datum to WGS84 on request. An existing output file is replaced
only once the new one is completely written.

The package holds gtm2wtr, a command-line converter with a batch mode, and,
when built with the dialog, quendra, a small Qt dialog in Traditional Chinese.")
# Library dependencies (libc, libstdc++, the Qt 6 libraries) come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# What the dialog needs that no library link shows: a Ming face for its Chinese texts, and
# Qt's platform plugins (X11 among them), without which no window opens; Qt's libraries
# only recommend them.
set(QUENDRA_APP_RUNTIME_DEPENDS "fonts-arphic-uming | fonts-noto-cjk, qt6-qpa-plugins")
if(TARGET quendra)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS ${QUENDRA_APP_RUNTIME_DEPENDS})
endif()

include(CPack)
