# cmake -DVERSION=X.Y.Z -DDOCUMENTS=FILE;FILE -P version_in_docs.cmake
# The README and the guide name the tree's version as "Lorvane X.Y.Z"; a document that names
# another, or none, fails.
set(failed FALSE)
foreach(document IN LISTS DOCUMENTS)
    file(READ "${document}" text)
    string(REGEX MATCHALL "Lorvane [0-9]+\\.[0-9]+\\.[0-9]+" named "${text}")
    list(REMOVE_DUPLICATES named)
    if(NOT named STREQUAL "Lorvane ${VERSION}")
        message(SEND_ERROR "${document}: names \"${named}\", expected \"Lorvane ${VERSION}\" alone")
        set(failed TRUE)
    endif()
endforeach()
if(NOT failed)
    message(STATUS "the documents name Lorvane ${VERSION}")
endif()
