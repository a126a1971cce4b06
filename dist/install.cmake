# Installation of ZELVAR Designer and its Debian package.
#
#   cmake --install build --prefix /usr/local    installs the programs and the
#                                                 files a desktop needs
#   ./build.sh package                            makes build-package/zelvar_<version>_<arch>.deb
#                                                 and zelvar-dbgsym_<version>_<arch>.ddeb
#
# Included from the top-level CMakeLists.txt after the targets exist.
include(GNUInstallDirs)

# The application's identifier: the name of the desktop entry, the icon and
# the AppStream metainfo.
set(ZELVAR_APP_ID "org.zelvar.designer")
set(ZELVAR_DIST_DIR ${CMAKE_CURRENT_LIST_DIR})
set(ZELVAR_DIST_OUT ${CMAKE_BINARY_DIR}/dist)

# zelvar-cli --version prints the project's version.
target_compile_definitions(zelvar_cli PRIVATE ZELVAR_VERSION="${PROJECT_VERSION}")
if(TARGET zelvar_gui)
  # ... and the About box.
  target_compile_definitions(zelvar_gui PRIVATE ZELVAR_VERSION="${PROJECT_VERSION}")
endif()
if(TARGET core_tests)
  # The manual page and the completion script are tested against the program.
  target_compile_definitions(core_tests PRIVATE ZELVAR_DIST_DIR="${ZELVAR_DIST_DIR}"
                                                ZELVAR_VERSION="${PROJECT_VERSION}")
endif()

# Where zelvar-cli finds its picture library, relative to the prefix: the
# program's private folder of the multiarch library folder (lib/zelvar where
# there is no multiarch name), out of the linker's search path.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(ZELVAR_PICTURES_DIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/zelvar)
else()
  set(ZELVAR_PICTURES_DIR lib/zelvar)
endif()
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/plot/picture_loader.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             ZELVAR_PICTURES_DIR="${ZELVAR_PICTURES_DIR}")
if(TARGET core_tests)
  target_compile_definitions(core_tests PRIVATE ZELVAR_PICTURES_DIR="${ZELVAR_PICTURES_DIR}")
endif()

# Files stamped with the version, and the compressed ones Debian wants.
configure_file(${ZELVAR_DIST_DIR}/${ZELVAR_APP_ID}.metainfo.xml.in
               ${ZELVAR_DIST_OUT}/${ZELVAR_APP_ID}.metainfo.xml @ONLY)
configure_file(${ZELVAR_DIST_DIR}/changelog.in ${ZELVAR_DIST_OUT}/changelog @ONLY)
set(ZELVAR_GZIPPED)
foreach(f zelvar.1 zelvar-cli.1 changelog)
  if(f STREQUAL "changelog")
    set(src ${ZELVAR_DIST_OUT}/changelog)
  else()
    set(src ${ZELVAR_DIST_DIR}/${f})
  endif()
  # -n: no name or time stamp in the header, so that the file is reproducible.
  add_custom_command(OUTPUT ${ZELVAR_DIST_OUT}/${f}.gz
                     COMMAND gzip -9nc ${src} > ${ZELVAR_DIST_OUT}/${f}.gz
                     DEPENDS ${src} VERBATIM)
  list(APPEND ZELVAR_GZIPPED ${ZELVAR_DIST_OUT}/${f}.gz)
endforeach()
add_custom_target(zelvar_dist_files ALL DEPENDS ${ZELVAR_GZIPPED})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS zelvar-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZELVAR_DIST_OUT}/zelvar-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ZELVAR_DIST_DIR}/zelvar-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zelvar-cli)
install(FILES ${ZELVAR_DIST_DIR}/copyright ${ZELVAR_DIST_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(NOT TARGET zelvar)
  return()  # a core-only build has no windows and makes no package
endif()

install(TARGETS zelvar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The picture library zelvar-cli loads for --png and --svg, private to the
# program: found relative to zelvar-cli's folder (plot/picture_loader.cpp).
install(TARGETS zelvar-pictures LIBRARY DESTINATION ${ZELVAR_PICTURES_DIR}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${ZELVAR_DIST_OUT}/zelvar.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ZELVAR_DIST_DIR}/${ZELVAR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZELVAR_DIST_DIR}/${ZELVAR_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${ZELVAR_DIST_OUT}/${ZELVAR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The project file's type (application/x-zelvar-project, *.zelvar).
install(FILES ${ZELVAR_DIST_DIR}/${ZELVAR_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# The Debian package.
set(ZELVAR_PACKAGE_MAINTAINER "ZELVAR Designer developers <zelvar-designer@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZELVAR Designer developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs go stripped into the package and their debug information
# (RelWithDebInfo) into zelvar-dbgsym, found by build ID.
set(CPACK_STRIP_FILES OFF)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZELVAR_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries; the windows are laid out for DejaVu
# Sans and its condensed face, which only fonts-dejavu-extra carries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "designer and simulator of triple-resonance networks")
# The synopsis comes from the summary; this is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"ZELVAR Designer designs three coupled resonators (a driven primary C1-L1,
a secondary L2-C2 coupled to it, and an output branch L3-C3) that move all
the energy pumped in by a source into the output capacitor, as in
solid-state magnifier Tesla coils. From a frequency mode k:l:m:n and
three element values it computes the other elements, the coupling and the
drive frequency; it also designs the ideal spark-gap magnifier in closed
form.

It simulates the designed circuit with losses, reports the peaks and the
energies, and plots the waveforms. It lists the realizable modes, computes
the natural frequencies and the frequency response, and tells by Monte
Carlo and sensitivity runs whether a build with real tolerances still
transfers its energy. Runs go out as ngspice decks, CSV, PNG and SVG.

The command zelvar-cli runs the design engines and the simulator without
the windows, for scripts.")
include(CPack)

# The test command builds the package and checks it (file list, lintian,
# the installed files, the packaged zelvar-cli running the default design).
# A build configured with Debian's hardening flags (build.sh) is also
# checked for them.
if(TARGET core_tests)
  set(ZELVAR_CHECK_HARDENING)
  if(CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE" AND CMAKE_EXE_LINKER_FLAGS MATCHES "-z,now")
    set(ZELVAR_CHECK_HARDENING --hardened)
  endif()
  add_test(NAME package_deb
           COMMAND ${ZELVAR_DIST_DIR}/check-package.sh ${CMAKE_BINARY_DIR} $<TARGET_FILE:zelvar-cli>
                   ${ZELVAR_CHECK_HARDENING})
  set_tests_properties(package_deb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900 LABELS package)
endif()
