# cmake -DPACKAGE=NAME -DSTAGE=DIR -DZIP=FILE -DSOURCE=TREE -DLORVANE_DLL=... -DMINGW_LIB=...
#       -DMSVC_LIB=... -DGPSDRIVER_DLL=... -DWAYTOOL=... -P make_package.cmake
#
# Lays the package out in STAGE/PACKAGE and zips that folder into ZIP:
#   GUIDE.md                  the integration guide
#   include/lorvane.h         the header
#   bin/                      lorvane.dll, waytool.exe
#   lib/                      lorvane.lib (Microsoft's toolchain), liblorvane.dll.a (mingw)
#   standin/                  gpsdriver.dll, the GPS driver stand-in, and what it is (README.txt)
#   sample/                   the sample host's source and its build script
#   SHA256SUMS                of every other file, as sha256sum -c reads it
# Every file gets the same time stamp, so the same files make the same zip.
set(root ${STAGE}/${PACKAGE})
file(REMOVE_RECURSE ${root})

function(put destination)
    file(MAKE_DIRECTORY ${root}/${destination})
    file(COPY ${ARGN} DESTINATION ${root}/${destination})
endfunction()

put(. ${SOURCE}/docs/GUIDE.md)
put(include ${SOURCE}/include/lorvane.h)
put(bin ${LORVANE_DLL} ${WAYTOOL})
put(lib ${MSVC_LIB} ${MINGW_LIB})
put(standin ${GPSDRIVER_DLL})
file(COPY_FILE ${SOURCE}/kit/standin_readme.txt ${root}/standin/README.txt)
put(sample ${SOURCE}/sample/sample_host.cpp ${SOURCE}/sample/kernel32.def
    ${SOURCE}/sample/build.sh)

file(GLOB_RECURSE files RELATIVE ${root} ${root}/*)
list(SORT files)
set(sums "")
foreach(f IN LISTS files)
    file(SHA256 ${root}/${f} hash)
    string(APPEND sums "${hash}  ${f}\n")
endforeach()
file(WRITE ${root}/SHA256SUMS "${sums}")

get_filename_component(zip_dir ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${zip_dir})
file(REMOVE ${ZIP})
execute_process(
    COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip "--mtime=2000-01-01 00:00:00 UTC"
            ${PACKAGE}
    WORKING_DIRECTORY ${STAGE}
    COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Wrote ${ZIP}")
