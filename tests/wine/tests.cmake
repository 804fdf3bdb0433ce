# Wine-hosted tests: the real DLLs loaded with LoadLibraryW, real UDP, real registry and files.
# The test scripts start Wine (prefix, Xvfb, wineserver) before ctest; run them with -j1.

add_executable(keepalive wine/keepalive.cpp)

add_library(wine_support STATIC wine/wine_support.cpp)
target_link_libraries(wine_support PUBLIC ws2_32 window_png)
target_include_directories(wine_support PUBLIC ${PROJECT_SOURCE_DIR})
lorvane_warnings(wine_support)

# lorvane_wine_binary(name source...): a GoogleTest binary of the module's Wine tests.
function(lorvane_wine_binary name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE wine_support GTest::gtest_main)
    add_dependencies(${name} lorvane gpsdriver)
    lorvane_warnings(${name})
endfunction()

# lorvane_wine_test(name source...): one ctest entry per GoogleTest binary, run under Wine.
function(lorvane_wine_test name)
    lorvane_wine_binary(${name} ${ARGN})
    add_test(NAME wine.${name} COMMAND ${name})
    # A crash in a background thread can still end with exit code 0 and PASSED.
    set_tests_properties(wine.${name} PROPERTIES
        FAIL_REGULAR_EXPRESSION "Unhandled (exception|page fault)"
        RESOURCE_LOCK udp28695)
endfunction()

lorvane_wine_test(module_wine_test wine/module_test.cpp)
lorvane_wine_test(unload_wine_test wine/unload_test.cpp)

# The driver stand-in against a gpsd replaying a route of ours.
add_executable(gpsdriver_probe wine/gpsdriver_probe.cpp)
target_include_directories(gpsdriver_probe PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(gpsdriver_probe gpsdriver)
lorvane_warnings(gpsdriver_probe)
add_test(NAME wine.gpsdriver_gpsfake
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/gpsdriver_gpsfake.sh
                 ${CMAKE_BINARY_DIR}/bin ${PROJECT_SOURCE_DIR}/tests/data/route-north.nmea 29471)
set_tests_properties(wine.gpsdriver_gpsfake PROPERTIES
    PASS_REGULAR_EXPRESSION "probe: passed"
    FAIL_REGULAR_EXPRESSION "FAILED|Unhandled (exception|page fault)")

# A locate request from a Linux socket, answered by the module's receiver with the replayed fix.
add_test(NAME wine.locate_over_udp
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/locate_over_udp.sh
                 ${CMAKE_BINARY_DIR}/bin ${PROJECT_SOURCE_DIR}/build/native/bin
                 ${PROJECT_SOURCE_DIR}/tests/data/route-east.nmea 29472)
set_tests_properties(wine.locate_over_udp PROPERTIES
    PASS_REGULAR_EXPRESSION "locate: passed"
    FAIL_REGULAR_EXPRESSION "FAILED|Unhandled (exception|page fault)"
    RESOURCE_LOCK udp28695)

lorvane_wine_test(track_append_wine_test wine/track_append_test.cpp)
target_link_libraries(track_append_wine_test PRIVATE lorvane_core)
lorvane_wine_test(threeg_dialogs_wine_test wine/threeg_dialogs_test.cpp)

# End to end: the server, a modem and two devices in network namespaces of their own.
add_test(NAME e2e.network
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/network_test.sh
                 ${CMAKE_BINARY_DIR}/bin ${PROJECT_SOURCE_DIR}/build/native/bin
                 ${CMAKE_BINARY_DIR}/wineprefix ${CMAKE_BINARY_DIR}/e2e)
set_tests_properties(e2e.network PROPERTIES
    PASS_REGULAR_EXPRESSION "network: passed"
    FAIL_REGULAR_EXPRESSION "FAILED|Unhandled (exception|page fault)"
    DEPENDS "wine.module_wine_test"
    TIMEOUT 240)
lorvane_wine_test(cdpd_dialogs_wine_test wine/cdpd_dialogs_test.cpp)
lorvane_wine_test(threeg_setup_dialogs_wine_test wine/threeg_setup_dialogs_test.cpp)

# The demo's network in a short form: server, modem, two peers and the viewing device's map. The
# demo runs the x64 build; the 32-bit module meets the network in e2e.network.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_test(NAME e2e.demo
             COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/demo.sh --seconds 25 --no-build)
    set_tests_properties(e2e.demo PROPERTIES
        PASS_REGULAR_EXPRESSION "demo: every expected track has points"
        FAIL_REGULAR_EXPRESSION "FAILED|Unhandled (exception|page fault)"
        TIMEOUT 300)
endif()

# The owner's controls. The own report under the report rules, on four ticks of the 6-second
# timer; then, from native senders at several loopback addresses, the bound on locate answers
# and "QVAnswer" and "QVLog" "listed".
lorvane_wine_test(owner_settings_wine_test wine/owner_settings_test.cpp)
target_link_libraries(owner_settings_wine_test PRIVATE lorvane_core)
add_test(NAME wine.owner_settings_udp
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/owner_settings_udp.sh
                 ${CMAKE_BINARY_DIR}/bin ${PROJECT_SOURCE_DIR}/build/native/bin
                 ${PROJECT_SOURCE_DIR}/tests/data/route-east.nmea 29473)
set_tests_properties(wine.owner_settings_udp PROPERTIES
    PASS_REGULAR_EXPRESSION "owner settings: passed"
    FAIL_REGULAR_EXPRESSION "FAILED|Unhandled (exception|page fault)"
    RESOURCE_LOCK udp28695
    TIMEOUT 240)

# The module's file functions over real files: past 4 GB, and the replacement of a list file.
lorvane_wine_test(platform_files_wine_test wine/platform_files_test.cpp
                  ${PROJECT_SOURCE_DIR}/module/platform_files_win.cpp
                  ${PROJECT_SOURCE_DIR}/module/device_shims_win.cpp)

# A full disk for real: the documents folder on a small tmpfs and on an ext2 image, which the
# script mounts and unmounts itself (as root), filled to the last byte.
add_test(NAME wine.full_disk
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/full_disk.sh ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(wine.full_disk PROPERTIES
    PASS_REGULAR_EXPRESSION "full disk: passed"
    FAIL_REGULAR_EXPRESSION "FAILED|SKIPPED \\]|Unhandled (exception|page fault)"
    RESOURCE_LOCK udp28695)

# A list file that cannot be replaced: the list folder remounted read-only (as root, a chmod would
# not stop the module) while the CDPD and 3G setup dialogs save, and writable again.
add_test(NAME wine.read_only_lists
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/read_only_lists.sh ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(wine.read_only_lists PROPERTIES
    PASS_REGULAR_EXPRESSION "read-only lists: passed"
    FAIL_REGULAR_EXPRESSION "FAILED|SKIPPED \\]|Unhandled (exception|page fault)"
    RESOURCE_LOCK udp28695)

# The dialogs' sends as a receiver at the far end gets them: the test binary is a device in a
# network namespace of its own, with its own wineserver and a gpsd replaying a parked fix.
lorvane_wine_binary(wire_sends_wine_test wine/wire_sends_test.cpp)
add_test(NAME wine.wire_sends
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/wire_sends.sh
                 ${CMAKE_BINARY_DIR}/bin ${CMAKE_BINARY_DIR}/wineprefix ${CMAKE_BINARY_DIR}/wire
                 ${PROJECT_SOURCE_DIR}/tests/data/parked-west.nmea)
set_tests_properties(wine.wire_sends PROPERTIES
    PASS_REGULAR_EXPRESSION "wire: passed"
    FAIL_REGULAR_EXPRESSION "FAILED|Unhandled (exception|page fault)"
    TIMEOUT 300)
