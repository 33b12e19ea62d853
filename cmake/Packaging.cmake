# A Debian package of the installed files: `cpack -G DEB` in a build tree, or
# the `package` workflow preset. Only the tool, its manual page and the
# package's own documents are installed, so the package never carries test
# programs. tools/check-install has lintian check the result.
set(CLUDEMAP_PACKAGE_MAINTAINER "cludemap developers <cludemap@example.org>"
    CACHE STRING "Maintainer of the Debian package, with an e-mail address")

set(CPACK_PACKAGE_NAME cludemap)
set(CPACK_PACKAGE_VENDOR "cludemap developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "draw the include structure of a C or C++ header")
# Lines of the extended description; CPack indents them for the control file.
set(CPACK_PACKAGE_DESCRIPTION
    "cludemap follows the #include directives of a header and of every header\n\
it reaches, and writes the include tree as a DOT file, which Graphviz\n\
renders as a picture. Each header is a box labelled with its name as the\n\
directive wrote it; edges show who includes whom, and their colour tells a\n\
header met for the first time from one met before. Problems such as\n\
headers that cannot be found are reported as warnings.")
set(CPACK_PACKAGE_CONTACT "${CLUDEMAP_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The C and C++ runtime dependencies are read off the binary by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS graphviz)

# tools/check-install checks that the changelog's newest entry is for the
# version being packaged.
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog ${PROJECT_BINARY_DIR}/debian/changelog
               COPYONLY)
install_gzipped(${PROJECT_BINARY_DIR}/debian/changelog ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/COPYRIGHT DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

include(CPack)
