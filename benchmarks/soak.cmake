# The soak's peers, prober and track-file count (benchmarks/soak.sh), built with the native tools,
# as the soak drives the Win32 builds from Linux.
add_executable(soak_peers ${CMAKE_CURRENT_LIST_DIR}/soak_peers.cpp)
target_link_libraries(soak_peers PRIVATE lorvane_core)
lorvane_warnings(soak_peers)
