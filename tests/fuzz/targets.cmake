# Fuzz targets: every reader of outside bytes has one. Each keeps its seeds in corpus/<name>/.

# --- exchange ---
lorvane_fuzz_target(fuzz_received_message fuzz/fuzz_received_message.cpp LIBS lorvane_core)
lorvane_fuzz_target(fuzz_waytool fuzz/fuzz_waytool.cpp LIBS waytool_core)
if(NOT WIN32)  # over the native fake platform and real files
    lorvane_fuzz_target(fuzz_datagram fuzz/fuzz_datagram.cpp LIBS fake_platform lorvane_core)
endif()

# --- gpsdriver ---
lorvane_fuzz_target(fuzz_gpsd_stream fuzz/fuzz_gpsd_stream.cpp LIBS gpsdriver_core)

# --- tracklog and lists ---
lorvane_fuzz_target(fuzz_track_walk fuzz/fuzz_track_walk.cpp LIBS lorvane_core)
lorvane_fuzz_target(fuzz_cdpd_list fuzz/fuzz_cdpd_list.cpp LIBS lorvane_core)
lorvane_fuzz_target(fuzz_target_list fuzz/fuzz_target_list.cpp LIBS lorvane_core)

# --- the host's map: the town file ---
if(LORVANE_FUZZ AND NOT WIN32)
    target_compile_options(host_map PRIVATE -fsanitize=fuzzer-no-link)
endif()
lorvane_fuzz_target(fuzz_town_map fuzz/fuzz_town_map.cpp LIBS host_map)

# --- number entry ---
lorvane_fuzz_target(fuzz_number_entry fuzz/fuzz_number_entry.cpp LIBS lorvane_core)

# --- stand-ins ---
# The stand-ins are native programs: their cores do not exist in the mingw build.
if(NOT WIN32)
    if(LORVANE_FUZZ)
        target_compile_options(trackserver_core PRIVATE -fsanitize=fuzzer-no-link)
        target_compile_options(modem_core PRIVATE -fsanitize=fuzzer-no-link)
    endif()
    lorvane_fuzz_target(fuzz_trackserver_store fuzz/fuzz_trackserver_store.cpp
                        LIBS trackserver_core)
    lorvane_fuzz_target(fuzz_nmea_route fuzz/fuzz_nmea_route.cpp LIBS modem_core)
endif()
