# SPDX-License-Identifier: GPL-3.0-or-later
# Debian packages from one build:  cd <build> && cpack   (or cmake --build <build> --target package)
#   tavro-terminal_<version>_<arch>.deb   the window, its desktop entry, icon, metainfo and man page
#   tavro-prog_<version>_<arch>.deb       the command-line programmer and its man page, no desktop stack
# Each install() names its package as COMPONENT; dependencies come from the binaries (dpkg-shlibdeps).
# Packages for users come from a build with -DTAVRO_HARDEN=ON (./setup.sh package).
set(packaging ${CMAKE_BINARY_DIR}/packaging)
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)
tavro_releases(${CMAKE_CURRENT_LIST_DIR}/changelog TAVRO_RELEASE_DATE TAVRO_RELEASES)
configure_file(${CMAKE_CURRENT_LIST_DIR}/io.github.tavro_terminal.tavro_terminal.metainfo.xml.in
               ${packaging}/io.github.tavro_terminal.tavro_terminal.metainfo.xml @ONLY)
install(FILES ${packaging}/io.github.tavro_terminal.tavro_terminal.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT tavro-terminal)
# Debian's form: compressed without a name or time stamp, so that equal builds give equal files.
function(tavro_gzip input output)
    execute_process(COMMAND gzip -9n -c ${input} OUTPUT_FILE ${output} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
tavro_gzip(${CMAKE_CURRENT_LIST_DIR}/changelog ${packaging}/changelog.gz)
foreach(package tavro-terminal tavro-prog)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${package}.1.in ${packaging}/${package}.1 @ONLY)
    tavro_gzip(${packaging}/${package}.1 ${packaging}/${package}.1.gz)
    install(FILES ${packaging}/${package}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${package})
    install(FILES ${packaging}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${package})
endforeach()
# The rule that lets the serial devices' group use FTDI chips in bit-bang: one package owns it.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/60-tavro-ftdi.rules DESTINATION lib/udev/rules.d COMPONENT tavro-prog)

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
# Its man page points to tavro-prog for scripts.
set(CPACK_DEBIAN_TAVRO-TERMINAL_PACKAGE_SUGGESTS tavro-prog)
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
