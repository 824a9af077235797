# What `cmake --install` puts where (GNUInstallDirs), and the Debian package
# that CPack makes of the same tree (scripts/package.sh builds and checks it).
#
#   bin/vexlor, bin/vexlor-fit
#   share/vexlor/VEXLOR.ini          the shipped settings, never written: an
#                                    installed program copies it to the
#                                    user's configuration folder on the
#                                    first change (app/Settings.cpp)
#   share/vexlor/samples/            the sample observation files
#   share/doc/vexlor/                the manual (English, Russian), copyright,
#                                    changelog; share/doc-base/ registers it
#   share/applications/, share/metainfo/, share/mime/packages/,
#   share/icons/hicolor/scalable/apps/   the desktop's entries
#   share/man/man1/                  vexlor(1), vexlor-fit(1)

set(VEXLOR_APP_ID org.vexlor.Vexlor)
set(VEXLOR_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)

install(TARGETS vexlor vexlor-fit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Written by no one but the package manager: the program never writes here.
install(FILES resources/VEXLOR.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/vexlor)
install(DIRECTORY resources/samples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vexlor/samples)

install(FILES resources/manual/manual.en.html resources/manual/manual.ru.html
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${VEXLOR_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The manual registered with doc-base, so that documentation browsers list it.
foreach(language en ru)
  set(VEXLOR_MANUAL ${CMAKE_INSTALL_FULL_DOCDIR}/manual.${language}.html)
  configure_file(${VEXLOR_PACKAGING_DIR}/vexlor-manual.${language}.doc-base.in
                 ${CMAKE_CURRENT_BINARY_DIR}/packaging/vexlor-manual-${language} @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/vexlor-manual-${language}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base)
endforeach()

install(FILES ${VEXLOR_PACKAGING_DIR}/${VEXLOR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VEXLOR_PACKAGING_DIR}/${VEXLOR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VEXLOR_PACKAGING_DIR}/vexlor-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME vexlor.xml)
install(FILES resources/icons/vexlor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${VEXLOR_APP_ID}.svg)

# Manual pages and the changelog go out compressed, as Debian keeps them
# (gzip -n: no name or time stamp, so a rebuild gives the same bytes).
set(VEXLOR_GZIPPED)
foreach(source vexlor.1 vexlor-fit.1 changelog)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy ${VEXLOR_PACKAGING_DIR}/${source}
            ${CMAKE_CURRENT_BINARY_DIR}/packaging/${source}
    COMMAND gzip -9 -n -f ${CMAKE_CURRENT_BINARY_DIR}/packaging/${source}
    DEPENDS ${VEXLOR_PACKAGING_DIR}/${source}
    VERBATIM)
  list(APPEND VEXLOR_GZIPPED ${out})
endforeach()
add_custom_target(vexlor_gzipped ALL DEPENDS ${VEXLOR_GZIPPED})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/vexlor.1.gz
              ${CMAKE_CURRENT_BINARY_DIR}/packaging/vexlor-fit.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# ---- the Debian package ----------------------------------------------------

set(VEXLOR_MAINTAINER "Vexlor developers <vexlor@example.org>"
    CACHE STRING "The Debian package's maintainer, name and e-mail address")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexlor)
set(CPACK_PACKAGE_VENDOR "Vexlor developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VEXLOR_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VEXLOR_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the two programs link (Qt, QuaZip, FreeXL, the C++ runtime)
# as dpkg-shlibdeps finds them; Qt's platform and SVG plugins come with
# libqt6gui6 and libqt6svg6. The window's layout was made for narrow sans
# fonts, and the pictures of vexlor-fit need a font to draw their texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2 | fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "radio meteor counts and shower activity profiles")
# The extended description, one paragraph; CPack puts the summary above it
# and indents it for the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vexlor keeps a table of the hourly meteor echo counts that a radio
meteor station records, and fits a meteor shower's activity profile (an
exponential rise to a maximum and an exponential decay after it) on top of
the hour-of-day sporadic background. It searches the profile's parameters
automatically, reports the time of the maximum as date, hour and solar
longitude with bootstrap intervals, draws the chart and the station's
colorgramme, imports the count files of station software and the
network's monthly tables, and exports the network's files, CSV, pictures
and spreadsheet workbooks. The command vexlor-fit does the same fit
without a window, for scripts.")

include(CPack)
