# The installed layout, the packages for pkg-config and CMake, and the Debian package.
#
#   bin/vidrune-grab                      the host tool; finds the plug-in in ../lib
#   lib/libvidrune.so, libfgcore.so       the plug-in and the simulated board
#   lib/vidrune/libvidrune-qtview.so      the live window, loaded by the plug-in
#   include/vidrune.h
#   lib/pkgconfig/vidrune.pc, lib/cmake/Vidrune/
#   share/vidrune/examples/               configuration and simulated camera files
#   share/doc/vidrune/                    README, host guide, example host sources
#   share/man/man1/vidrune-grab.1
#
# Run paths are relative to each binary ($ORIGIN), so the tree works from any prefix.
include(CMakePackageConfigHelpers)

set(VIDRUNE_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vidrune)
set(VIDRUNE_EXAMPLEDIR ${CMAKE_INSTALL_DATADIR}/vidrune/examples)
set(VIDRUNE_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vidrune)

# An incompatible change to the exports or the board library takes a new major version.
set_target_properties(vidrune fgcore PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
if(NOT WIN32)
    set_target_properties(vidrune fgcore PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()

install(TARGETS vidrune EXPORT VidruneTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS fgcore
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/vidrune.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The folder is the one DisplayViewLoader looks in, below the plug-in's own.
if(TARGET vidrune-qtview)
    install(TARGETS vidrune-qtview LIBRARY DESTINATION ${VIDRUNE_LIBRARY_DIR}/vidrune)
    if(NOT WIN32)
        set_target_properties(vidrune-qtview PROPERTIES INSTALL_RPATH "$ORIGIN/..")
    endif()
endif()

if(TARGET vidrune-grab)
    install(TARGETS vidrune-grab RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    include(${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake)
endif()

install(FILES ${CMAKE_SOURCE_DIR}/examples/vidrune.ini DESTINATION ${VIDRUNE_EXAMPLEDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/sim DESTINATION ${VIDRUNE_EXAMPLEDIR})
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/host-guide.md
    DESTINATION ${VIDRUNE_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/host DESTINATION ${VIDRUNE_DOCDIR}/examples)

# pkg-config: the prefix is found from the .pc file's own folder.
file(RELATIVE_PATH VIDRUNE_PC_TO_PREFIX
    ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VIDRUNE_PC_TO_PREFIX "${VIDRUNE_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/vidrune.pc.in ${CMAKE_BINARY_DIR}/vidrune.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/vidrune.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# find_package(Vidrune)
install(EXPORT VidruneTargets NAMESPACE Vidrune:: DESTINATION ${VIDRUNE_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VidruneConfig.cmake.in
    ${CMAKE_BINARY_DIR}/VidruneConfig.cmake INSTALL_DESTINATION ${VIDRUNE_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VidruneConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/VidruneConfig.cmake
    ${CMAKE_BINARY_DIR}/VidruneConfigVersion.cmake DESTINATION ${VIDRUNE_CMAKEDIR})

if(NOT WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/DebianPackage.cmake)
endif()
