# vidrune-grab(1), made from the tool's own --help and --version by help2man, so that it
# cannot drift from the options. Skipped where the tool cannot run here (cross builds,
# and sanitizer builds: ThreadSanitizer needs a special address-space layout), or where
# help2man is missing.
find_program(HELP2MAN help2man)
if(CMAKE_CROSSCOMPILING OR VIDRUNE_SANITIZE OR NOT HELP2MAN)
    message(STATUS "No man page for vidrune-grab: help2man missing, cross or sanitizer build")
    return()
endif()

set(manPage ${CMAKE_BINARY_DIR}/vidrune-grab.1)
add_custom_command(OUTPUT ${manPage}
    COMMAND ${CMAKE_COMMAND} -E env VIDRUNE_DISPLAY=headless
            ${HELP2MAN} --no-info --no-discard-stderr
            --name "drive the Vidrune frame-grabber plug-in as a host does"
            --output ${manPage} $<TARGET_FILE:vidrune-grab>
    DEPENDS vidrune-grab
    COMMENT "Writing the vidrune-grab man page"
    VERBATIM)
add_custom_target(vidrune-grab-man ALL DEPENDS ${manPage})
install(FILES ${manPage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
