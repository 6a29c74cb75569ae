# SPDX-License-Identifier: GPL-3.0-or-later
# Install step of a -dbgsym package: the debug symbols of ${binary}, where gdb looks them up by the
# build ID that the stripped program keeps:  <prefix>/lib/debug/.build-id/<2 hex digits>/<rest>.debug
execute_process(COMMAND readelf --notes ${binary} OUTPUT_VARIABLE notes COMMAND_ERROR_IS_FATAL ANY)
if(NOT notes MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    message(FATAL_ERROR "${binary} has no build ID, by which its debug symbols would be found")
endif()
get_filename_component(folder ${binary} DIRECTORY)
set(symbols ${folder}/debug-symbols/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}.debug)
file(MAKE_DIRECTORY ${folder}/debug-symbols/${CMAKE_MATCH_1})
execute_process(COMMAND objcopy --only-keep-debug --compress-debug-sections ${binary} ${symbols}
                COMMAND_ERROR_IS_FATAL ANY)
file(INSTALL ${symbols} DESTINATION ${CMAKE_INSTALL_PREFIX}/lib/debug/.build-id/${CMAKE_MATCH_1}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
