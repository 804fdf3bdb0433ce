# The host's map without any window: track files read for drawing, the town's streets, the
# projection, the scale bar and the placing of labels. Included by host/CMakeLists.txt for
# lorvane-host and by tools/CMakeLists.txt in the native build, where the tests link it.
add_library(host_map STATIC
    ${PROJECT_SOURCE_DIR}/host/track_map.cpp
    ${PROJECT_SOURCE_DIR}/host/town_map.cpp
    ${PROJECT_SOURCE_DIR}/host/map_labels.cpp)
target_link_libraries(host_map PUBLIC waytool_core)
lorvane_warnings(host_map)
