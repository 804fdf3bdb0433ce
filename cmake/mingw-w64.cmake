# Cross build of the Win32 module, its driver stand-in and the Wine-hosted tests, for x64 or, with
# LORVANE_MINGW_ARCH set to i686 before this file is read (cmake/mingw-w64-i686.cmake), for the
# 32-bit platform the device and its hosts run on.
if(NOT LORVANE_MINGW_ARCH)
    set(LORVANE_MINGW_ARCH x86_64)
endif()
set(triple ${LORVANE_MINGW_ARCH}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${LORVANE_MINGW_ARCH})
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No libstdc++ or libwinpthread DLLs at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
