# A Debian package of the installed files: `cpack -G DEB` in a build tree, or
# the `package` workflow preset. Only the tool and its manual page are
# installed, so the package never carries test programs.
set(CPACK_PACKAGE_NAME cludemap)
set(CPACK_PACKAGE_VENDOR "cludemap developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION} as a Graphviz graph")
set(CPACK_PACKAGE_DESCRIPTION "cludemap follows the #include directives of a header and \
writes the include tree as a DOT file, which Graphviz renders as a picture.")
set(CPACK_PACKAGE_CONTACT "cludemap developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The C and C++ runtime dependencies are read off the binary by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS graphviz)

include(CPack)
