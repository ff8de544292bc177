# The Debian package, made by CPack from the install rules: cpack -G DEB in the build folder
# (scripts/package does it and puts the package in packages/).
if(WIN32)
  return()
endif()
set(CPACK_PACKAGE_NAME ${MAILSHIFT_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Corvane Software")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Corvane Software <support@corvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "moves mail out of Notes mail stores into .eml files")
set(CPACK_PACKAGE_DESCRIPTION
  "Corvane Mailshift writes each message of a mail database as one Internet
message file (.eml) with its attachments, one folder per mail folder under a
destination folder, and a plain-text log of each run. It comes as a program
with windows (mailshift) and as a command-line tool (mailshift-cli).
On Linux it reads Notes databases (.nsf) itself, with no Notes client, and the
mail stores made with its store tool, mailshift-store, which the package
installs with a sample store.")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.corvane.example")
# The libraries the programs link come from dpkg-shlibdeps; Qt's platform plugins are loaded at run
# time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(MAILSHIFT_WITH_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
include(CPack)
