# Native GoogleTest binaries over the portable core. Each area keeps its block.

# --- module and exchange ---
lorvane_core_test(bytes_test core/bytes_test.cpp)
lorvane_core_test(text_test core/text_test.cpp)
lorvane_core_test(position_message_test core/position_message_test.cpp)
lorvane_core_test(module_core_test core/settings_test.cpp core/own_fix_test.cpp core/dispatch_test.cpp)
lorvane_core_test(receiver_handlers_test core/receiver_handlers_test.cpp)
lorvane_core_test(detach_race_test core/detach_race_test.cpp)
lorvane_core_test(answer_limit_test core/answer_limit_test.cpp)
lorvane_core_test(tick_clock_test core/tick_clock_test.cpp)

# --- server link ---
lorvane_core_test(server_link_test core/server_link_test.cpp)
lorvane_core_test(report_decision_test core/report_decision_test.cpp)

# --- gpsdriver ---
lorvane_core_test(gpsd_stream_test core/gpsd_stream_test.cpp LIBS gpsdriver_core)

# --- tracklog and lists ---
lorvane_core_test(track_file_test core/track_file_test.cpp core/track_bytes.cpp)
lorvane_core_test(track_file_differential_test core/track_file_differential_test.cpp core/track_bytes.cpp
                  core/literal_track_append.cpp)
# Replaces the global operator new, so it is a binary of its own; not under ThreadSanitizer, whose
# runtime defines operator new itself (the test has no threads to watch anyway).
if(NOT LORVANE_SANITIZE MATCHES "thread")
    lorvane_core_test(track_file_alloc_test core/track_file_alloc_test.cpp core/track_bytes.cpp)
endif()
lorvane_core_test(track_memory_test core/track_memory_test.cpp)
lorvane_core_test(list_files_test core/list_files_test.cpp)

# --- number entry ---
lorvane_core_test(number_entry_test core/number_entry_test.cpp)

# --- cdpd poller ---
lorvane_core_test(poller_test core/poller_test.cpp)

# --- stand-ins ---
lorvane_core_test(trackserver_test core/trackserver_test.cpp LIBS trackserver_core)
lorvane_core_test(modem_test core/modem_test.cpp LIBS modem_core)
target_compile_definitions(modem_test PRIVATE LORVANE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")

# --- 3g dialogs ---
lorvane_core_test(threeg_setup_test core/threeg_setup_test.cpp)

# --- waytool ---
lorvane_core_test(waytool_test core/waytool_test.cpp core/track_bytes.cpp LIBS waytool_core)
foreach(check schema gpsbabel cli)
    add_test(NAME waytool.${check}
             COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/waytool_formats.sh ${check}
                     $<TARGET_FILE:waytool> ${PROJECT_SOURCE_DIR}/tests/data/gpx-1.1-subset.xsd)
endforeach()

# --- the demo's town: its routes, and the host's map of it ---
add_test(NAME town.routes COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/town_routes.sh
                                  ${PROJECT_SOURCE_DIR})
lorvane_core_test(host_map_test core/host_map_test.cpp LIBS host_map)
target_compile_definitions(host_map_test PRIVATE LORVANE_TOWN="${PROJECT_SOURCE_DIR}/tools/town/town.txt")

# --- cdpd dialogs ---
lorvane_core_test(cdpd_setup_test core/cdpd_setup_test.cpp)
