# cmake -DIN=MODULE_DEF -DOUT=DEF -DSIDE=published|mingw -P derive_def.cmake
#
# The .def an import library is made from: the module's .def with one side of each
# "PUBLISHED = MINGW" alias. lorvane.lib, for Microsoft's toolchain, takes the names published
# under the platform compiler's decorations; liblorvane.dll.a takes the names g++ gives the same
# declarations. Comment lines start with ';', which would split a CMake list, so only the other
# lines are read.
file(STRINGS "${IN}" lines REGEX "^[^;]")
get_filename_component(source_name "${IN}" NAME)
set(text "; Made from ${source_name} by derive_def.cmake: the ${SIDE} names.\n")
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*([^ \t=]+)[ \t]*=[ \t]*([^ \t]+)")
        if(SIDE STREQUAL "published")
            string(APPEND text "    ${CMAKE_MATCH_1}\n")
        else()
            string(APPEND text "    ${CMAKE_MATCH_2}\n")
        endif()
    elseif(line MATCHES "^(LIBRARY|EXPORTS)")
        string(APPEND text "${line}\n")
    endif()
endforeach()
file(WRITE "${OUT}" "${text}")
