# What a host vendor builds against, beside the DLLs (Win32 builds only; included by the top-level
# CMakeLists.txt after the module's targets):
#   lorvane.lib        the import library for Microsoft's toolchain (and clang in its Microsoft
#                      mode), made by LLVM's dlltool from the published names of the module's .def
#   liblorvane.dll.a   the import library for mingw, made by binutils' dlltool from its mingw names
#   sample_host.exe    (test builds) the sample host built the Microsoft way, by Debian's clang
#                      and lld, against the published header and lorvane.lib alone
#   dist               (release builds) the package dist/lorvane-VERSION-ARCH.zip

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(LORVANE_ARCH i686)
    set(LORVANE_MSVC_TARGET i686-pc-windows-msvc)
    set(kit_machine i386)
else()
    set(LORVANE_ARCH x64)
    set(LORVANE_MSVC_TARGET x86_64-pc-windows-msvc)
    set(kit_machine i386:x86-64)
endif()
set(LORVANE_MODULE_DEF ${PROJECT_SOURCE_DIR}/module/lorvane_${LORVANE_ARCH}.def)
set(LORVANE_KIT_DIR ${CMAKE_BINARY_DIR}/kit)
set(LORVANE_MSVC_LIB ${LORVANE_KIT_DIR}/lorvane.lib)
set(LORVANE_MINGW_LIB ${LORVANE_KIT_DIR}/liblorvane.dll.a)

find_program(LLVM_DLLTOOL llvm-dlltool REQUIRED)
find_program(MINGW_DLLTOOL ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool REQUIRED)

# kit_def(side): the module's .def with the `side` names of its aliases, published or mingw.
function(kit_def side)
    add_custom_command(OUTPUT ${LORVANE_KIT_DIR}/lorvane_${side}.def
        COMMAND ${CMAKE_COMMAND} -DIN=${LORVANE_MODULE_DEF}
                -DOUT=${LORVANE_KIT_DIR}/lorvane_${side}.def -DSIDE=${side}
                -P ${PROJECT_SOURCE_DIR}/kit/derive_def.cmake
        DEPENDS ${LORVANE_MODULE_DEF} ${PROJECT_SOURCE_DIR}/kit/derive_def.cmake
        COMMENT "The ${side} names of lorvane.dll")
endfunction()
kit_def(published)
kit_def(mingw)
add_custom_command(OUTPUT ${LORVANE_MSVC_LIB}
    COMMAND ${LLVM_DLLTOOL} -m ${kit_machine} -d ${LORVANE_KIT_DIR}/lorvane_published.def
            -l ${LORVANE_MSVC_LIB}
    DEPENDS ${LORVANE_KIT_DIR}/lorvane_published.def
    COMMENT "lorvane.lib, the import library for Microsoft's toolchain")
# dlltool names the library's inner symbols after the path it is given: a bare name keeps the
# build's folders out of what ships.
add_custom_command(OUTPUT ${LORVANE_MINGW_LIB}
    COMMAND ${MINGW_DLLTOOL} -d lorvane_mingw.def -D lorvane.dll -l liblorvane.dll.a
    WORKING_DIRECTORY ${LORVANE_KIT_DIR}
    DEPENDS ${LORVANE_KIT_DIR}/lorvane_mingw.def
    COMMENT "liblorvane.dll.a, the import library for mingw")
add_custom_target(lorvane_import_libraries ALL DEPENDS ${LORVANE_MSVC_LIB} ${LORVANE_MINGW_LIB})

set(kit_sample_sources
    ${PROJECT_SOURCE_DIR}/sample/sample_host.cpp
    ${PROJECT_SOURCE_DIR}/sample/kernel32.def
    ${PROJECT_SOURCE_DIR}/sample/build.sh
    ${PROJECT_SOURCE_DIR}/include/lorvane.h)

if(NOT LORVANE_RELEASE)
    # The sample host as a vendor's Microsoft toolchain builds it, by the script the package ships.
    set(LORVANE_SAMPLE_HOST ${CMAKE_BINARY_DIR}/bin/sample_host.exe)
    add_custom_command(OUTPUT ${LORVANE_SAMPLE_HOST}
        COMMAND ${CMAKE_COMMAND} -E env LORVANE_INCLUDE=${PROJECT_SOURCE_DIR}/include
                LORVANE_LIB=${LORVANE_KIT_DIR}
                sh ${PROJECT_SOURCE_DIR}/sample/build.sh msvc ${LORVANE_ARCH} ${CMAKE_BINARY_DIR}/bin
        DEPENDS ${kit_sample_sources} ${LORVANE_MSVC_LIB}
        COMMENT "The sample host, built the Microsoft way by clang and lld")
    add_custom_target(sample_host ALL DEPENDS ${LORVANE_SAMPLE_HOST})
    return()
endif()

# The package a host vendor receives: the release DLLs, waytool, the header, both import
# libraries, the driver stand-in apart with a note of its own, the sample's source, the guide,
# and SHA256SUMS of all of it.
set(LORVANE_PACKAGE lorvane-${PROJECT_VERSION}-${LORVANE_ARCH})
add_custom_target(dist
    COMMAND ${CMAKE_COMMAND}
            -DPACKAGE=${LORVANE_PACKAGE}
            -DSTAGE=${CMAKE_BINARY_DIR}/package
            -DZIP=${PROJECT_SOURCE_DIR}/dist/${LORVANE_PACKAGE}.zip
            -DSOURCE=${PROJECT_SOURCE_DIR}
            -DLORVANE_DLL=$<TARGET_FILE:lorvane>
            -DMINGW_LIB=${LORVANE_MINGW_LIB}
            -DMSVC_LIB=${LORVANE_MSVC_LIB}
            -DGPSDRIVER_DLL=$<TARGET_FILE:gpsdriver>
            -DWAYTOOL=$<TARGET_FILE:waytool>
            -P ${PROJECT_SOURCE_DIR}/kit/make_package.cmake
    COMMENT "dist/${LORVANE_PACKAGE}.zip"
    VERBATIM)
add_dependencies(dist lorvane gpsdriver waytool lorvane_import_libraries)
