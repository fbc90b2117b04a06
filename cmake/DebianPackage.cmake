# cpack -G DEB: one package with the plug-in, the simulated board, the window module, the
# tool, the header, the pkg-config and CMake files and the examples, installed under /usr.
set(CPACK_PACKAGE_NAME vidrune)
set(CPACK_PACKAGE_VENDOR "Vidrune developers")
set(CPACK_PACKAGE_CONTACT "Vidrune developers <vidrune@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Acquisition plug-in for the Stravik-2 frame grabber, with a simulated board")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A shared library that a host metrology application loads to enumerate cameras and "
    "modes, acquire frames and show them live. Includes a simulated board, the "
    "vidrune-grab tool and example configuration.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
# Debug information stays in the build tree; the package carries the code.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# Dependencies from the binaries' own needs (Qt for the window module, ...); the
# package's own libraries are found in its staging tree.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
