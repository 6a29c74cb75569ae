# SPDX-License-Identifier: GPL-3.0-or-later
# Debian packages from one build:  cd <build> && cpack   (or cmake --build <build> --target package)
#   tavro-terminal_<version>_<arch>.deb   the window, its desktop entry, icon, metainfo and man page
#   tavro-prog_<version>_<arch>.deb       the command-line programmer and its man page, no desktop stack
#   tavro-common_<version>_all.deb        the udev rule both need for FTDI bit-bang
#   <program>-dbgsym_<version>_<arch>.deb the debug symbols the two programs are stripped of
# Each install() names its package as COMPONENT; dependencies come from the binaries (dpkg-shlibdeps).
# Packages for users come from a build with -DTAVRO_HARDEN=ON (./setup.sh package). Every time stamp
# in them is the newest changelog entry's, so that two runs of cpack give identical files.

# What a distributor changes, here or with -D: who makes the packages, the project's home and where
# the metainfo's screenshots are published. The defaults are reserved placeholder addresses.
set(TAVRO_MAINTAINER "Tavro Terminal maintainers <maintainers@users.noreply.c-seed-942c1e87.example>"
    CACHE STRING "Maintainer of the Debian packages")
set(TAVRO_HOMEPAGE "https://tavro-terminal.example" CACHE STRING "The project's home page")
set(TAVRO_SCREENSHOTS "" CACHE STRING "Address of the screenshots' folder (empty: the home page's docs/)")
set(screenshots "${TAVRO_SCREENSHOTS}")
if(screenshots STREQUAL "")
    set(screenshots ${TAVRO_HOMEPAGE}/docs)
endif()

set(packaging ${CMAKE_BINARY_DIR}/packaging)
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)
tavro_releases(${CMAKE_CURRENT_LIST_DIR}/changelog TAVRO_RELEASE_DATE TAVRO_SOURCE_DATE_EPOCH TAVRO_RELEASES)
configure_file(${CMAKE_CURRENT_LIST_DIR}/io.github.tavro_terminal.tavro_terminal.metainfo.xml.in
               ${packaging}/io.github.tavro_terminal.tavro_terminal.metainfo.xml @ONLY)
install(FILES ${packaging}/io.github.tavro_terminal.tavro_terminal.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT tavro-terminal)
# Debian's form: compressed without a name or time stamp, so that equal builds give equal files.
function(tavro_gzip input output)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
    execute_process(COMMAND gzip -9n -c ${input} OUTPUT_FILE ${output} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
tavro_gzip(${CMAKE_CURRENT_LIST_DIR}/changelog ${packaging}/changelog.gz)
tavro_gzip(${CMAKE_SOURCE_DIR}/README.md ${packaging}/README.md.gz)
foreach(package tavro-terminal tavro-prog tavro-common)
    install(FILES ${packaging}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${package})
endforeach()
foreach(package tavro-terminal tavro-prog)
    install(FILES ${packaging}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}-dbgsym COMPONENT ${package}-symbols EXCLUDE_FROM_ALL)
endforeach()
foreach(package tavro-terminal tavro-prog)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${package}.1.in ${packaging}/${package}.1 @ONLY)
    tavro_gzip(${packaging}/${package}.1 ${packaging}/${package}.1.gz)
    install(FILES ${packaging}/${package}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${package})
    install(FILES ${packaging}/README.md.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${package})
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/ports.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}/examples
            COMPONENT ${package})
    # Only cpack installs the symbols, into their own package: a plain install keeps the binary's own.
    install(CODE "set(binary \"$<TARGET_FILE:${package}>\")
                  include(\"${CMAKE_CURRENT_LIST_DIR}/DebugSymbols.cmake\")"
            COMPONENT ${package}-symbols EXCLUDE_FROM_ALL)
endforeach()
# The rule that lets the seat's user and the serial devices' group use FTDI chips in bit-bang, in a
# package both programs depend on: the window's "Prog" uses bit-bang as tavro-prog does.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/60-tavro-ftdi.rules DESTINATION lib/udev/rules.d COMPONENT tavro-common)

# cpack reads this before it packs: dpkg-deb's and CPack's time stamps come from SOURCE_DATE_EPOCH.
# A builder that sets its own (a distribution's changelog) keeps it.
file(CONFIGURE OUTPUT ${packaging}/CPackProject.cmake
     CONTENT "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})\n    set(ENV{SOURCE_DATE_EPOCH} ${TAVRO_SOURCE_DATE_EPOCH})\nendif()\n")
set(CPACK_PROJECT_CONFIG_FILE ${packaging}/CPackProject.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVRO_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TAVRO_HOMEPAGE})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tavro-terminal tavro-prog tavro-common tavro-terminal-symbols tavro-prog-symbols)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_TAVRO-TERMINAL_PACKAGE_NAME tavro-terminal)
set(CPACK_DEBIAN_TAVRO-TERMINAL_PACKAGE_DEPENDS "tavro-common (= ${PROJECT_VERSION})")
# Its man page points to tavro-prog for scripts.
set(CPACK_DEBIAN_TAVRO-TERMINAL_PACKAGE_SUGGESTS tavro-prog)
set(CPACK_DEBIAN_TAVRO-TERMINAL_DESCRIPTION "serial terminal with an in-circuit chip programmer
Tavro Terminal talks to a small microcontroller board over a serial
port: watch and type on the board's console, send text files with pacing
and log what the board sends. In programming mode it reads, modifies and
programs the chip's program and data memory over the port's
modem-control lines or an FTDI adapter's bit-bang, including Intel-HEX
downloads. A built-in simulated board needs no hardware.")
set(CPACK_DEBIAN_TAVRO-PROG_PACKAGE_NAME tavro-prog)
set(CPACK_DEBIAN_TAVRO-PROG_PACKAGE_DEPENDS "tavro-common (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TAVRO-PROG_DESCRIPTION "command-line chip programmer of Tavro Terminal
tavro-prog writes, verifies and reads back the chip on a board behind a
serial port from an Intel-HEX file, over the port's modem-control lines
or an FTDI adapter's bit-bang, without a window or desktop stack. It uses
the port map and settings of Tavro Terminal when they are present.")
set(CPACK_DEBIAN_TAVRO-COMMON_PACKAGE_NAME tavro-common)
set(CPACK_DEBIAN_TAVRO-COMMON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_TAVRO-COMMON_DESCRIPTION "FTDI adapter access for Tavro Terminal and tavro-prog
A udev rule that gives the user at the seat and the group dialout access
to the USB side of FTDI serial adapters that have synchronous bit-bang
(FT232R, FT2232, FT4232H, FT232H), so that Tavro Terminal's programming
mode and tavro-prog can drive the chip through them without root.")
# CPack keeps <component>-dbgsym folders for debug packages of its own, hence the components' names.
foreach(program tavro-terminal tavro-prog)
    string(TOUPPER ${program}-symbols component)
    set(CPACK_DEBIAN_${component}_PACKAGE_NAME ${program}-dbgsym)
    set(CPACK_DEBIAN_${component}_PACKAGE_SECTION debug)
    set(CPACK_DEBIAN_${component}_PACKAGE_DEPENDS "${program} (= ${PROJECT_VERSION})")
    set(CPACK_DEBIAN_${component}_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_DEBIAN_${component}_DESCRIPTION "debug symbols for ${program}
The debug symbols of ${program}, stripped from the program in its package,
for a debugger or a crash report: gdb finds them by the program's build
ID.")
endforeach()
include(CPack)
