# Where `cmake --install` puts the program: the usual layout below the prefix (bin/, share/...),
# with the help under the package's name.
include(GNUInstallDirs)
set(MAILSHIFT_PACKAGE_NAME corvane-mailshift)
set(MAILSHIFT_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${MAILSHIFT_PACKAGE_NAME})
