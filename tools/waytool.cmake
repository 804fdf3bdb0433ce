# waytool: track files and list files read on a desktop. Included by tools/CMakeLists.txt in the
# native build and by the top-level CMakeLists.txt in the mingw build (waytool.exe), from the same
# sources. waytool_core holds the work on bytes, which the native tests link.
add_library(waytool_core STATIC ${PROJECT_SOURCE_DIR}/tools/waytool_core.cpp)
target_link_libraries(waytool_core PUBLIC lorvane_core)
lorvane_warnings(waytool_core)

add_executable(waytool ${PROJECT_SOURCE_DIR}/tools/waytool.cpp)
target_link_libraries(waytool PRIVATE waytool_core)
lorvane_warnings(waytool)
