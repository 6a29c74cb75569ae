# Debian packages from one build:  cd <build> && cpack   (or cmake --build <build> --target package)
#   tavro-terminal_<version>_<arch>.deb   the window, its desktop entry, icon, metainfo and man page
#   tavro-prog_<version>_<arch>.deb       the command-line programmer and its man page, no desktop stack
# Each install() names its package as COMPONENT; dependencies come from the binaries (dpkg-shlibdeps).
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tavro-terminal.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tavro-terminal)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/example.tavro.Terminal.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT tavro-terminal)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tavro-prog.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tavro-prog)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tavro Terminal maintainers <maintainers@users.noreply.c-seed-942c1e87.example>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tavro-terminal tavro-prog)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_TAVRO-TERMINAL_PACKAGE_NAME tavro-terminal)
set(CPACK_DEBIAN_TAVRO-TERMINAL_DESCRIPTION "serial terminal with an in-circuit chip programmer
Tavro Terminal talks to a small microcontroller board over a serial
port: watch and type on the board's console, send text files with pacing
and log what the board sends. In programming mode it reads, modifies and
programs the chip's program and data memory over the port's
modem-control lines, including Intel-HEX downloads. A built-in simulated
board needs no hardware.")
set(CPACK_DEBIAN_TAVRO-PROG_PACKAGE_NAME tavro-prog)
set(CPACK_DEBIAN_TAVRO-PROG_DESCRIPTION "command-line chip programmer of Tavro Terminal
tavro-prog writes, verifies and reads back the chip on a board behind a
serial port from an Intel-HEX file, over the port's modem-control lines,
without a window or desktop stack. It uses the port map and settings of
Tavro Terminal when they are present.")
include(CPack)
