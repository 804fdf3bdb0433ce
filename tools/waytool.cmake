# waytool: track files and list files read on a desktop. Included by tools/CMakeLists.txt in the
# native build and by the top-level CMakeLists.txt in the mingw build (waytool.exe), from the same
# sources. waytool_core holds the work on bytes, which the native tests link: one file per idea.
add_library(waytool_core STATIC
    ${PROJECT_SOURCE_DIR}/tools/waytool_text.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_names.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_checks.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_track.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_table.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_info.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_lists.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_gpx.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_geojson.cpp
    ${PROJECT_SOURCE_DIR}/tools/waytool_kml.cpp
    ${PROJECT_SOURCE_DIR}/tools/local_time.cpp)
# The zone's offsets: the system's time-zone database on Linux; Windows has none (see
# time_zone_win.cpp).
if(WIN32)
    target_sources(waytool_core PRIVATE ${PROJECT_SOURCE_DIR}/tools/time_zone_win.cpp)
else()
    target_sources(waytool_core PRIVATE ${PROJECT_SOURCE_DIR}/tools/time_zone_posix.cpp)
endif()
target_link_libraries(waytool_core PUBLIC lorvane_core)
lorvane_warnings(waytool_core)

add_executable(waytool ${PROJECT_SOURCE_DIR}/tools/waytool.cpp)
target_link_libraries(waytool PRIVATE waytool_core)
target_include_directories(waytool PRIVATE ${LORVANE_GENERATED_DIR})
if(WIN32)
    target_sources(waytool PRIVATE ${PROJECT_SOURCE_DIR}/tools/waytool.rc)
    target_include_directories(waytool PRIVATE ${PROJECT_SOURCE_DIR}/resources)
    set_source_files_properties(${PROJECT_SOURCE_DIR}/tools/waytool.rc PROPERTIES OBJECT_DEPENDS
        "${PROJECT_SOURCE_DIR}/resources/version_info.rc;${LORVANE_GENERATED_DIR}/lorvane_version.h")
endif()
lorvane_warnings(waytool)
