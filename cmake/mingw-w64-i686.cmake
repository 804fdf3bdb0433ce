# The 32-bit cross build: the same as the x64 one but for i686.
set(LORVANE_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
