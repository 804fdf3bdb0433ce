# What a host vendor receives: the published header against the module's names, the sample host
# built the Microsoft way, the version resources, and the package itself. In every build, the
# tree's version as waytool --version and the documents say it.

string(REPLACE "." "\\." version_pattern "${PROJECT_VERSION}")
add_test(NAME kit.waytool_version COMMAND waytool --version)
set_tests_properties(kit.waytool_version PROPERTIES
    PASS_REGULAR_EXPRESSION "^waytool ${version_pattern}\r?\n?$")
add_test(NAME kit.version_in_docs
         COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION}
                 "-DDOCUMENTS=${PROJECT_SOURCE_DIR}/README.md;${PROJECT_SOURCE_DIR}/docs/GUIDE.md"
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/kit/version_in_docs.cmake)

if(NOT WIN32)
    return()
endif()

add_executable(export_names_print kit/export_names_print.cpp)
target_include_directories(export_names_print PRIVATE ${PROJECT_SOURCE_DIR})
lorvane_warnings(export_names_print)
add_test(NAME kit.header_names
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/kit/header_names.sh ${LORVANE_ARCH}
                 ${PROJECT_SOURCE_DIR} $<TARGET_FILE:export_names_print> $<TARGET_FILE:lorvane>
                 ${CMAKE_CURRENT_BINARY_DIR}/header-names)
set_tests_properties(kit.header_names PROPERTIES
    PASS_REGULAR_EXPRESSION "header names: passed"
    FAIL_REGULAR_EXPRESSION "FAILED")

# The sample host (kit/kit.cmake builds it): the module loads through its import table.
add_test(NAME kit.sample_host COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${LORVANE_SAMPLE_HOST})
set_tests_properties(kit.sample_host PROPERTIES
    FAIL_REGULAR_EXPRESSION "FAILED|Unhandled (exception|page fault)"
    RESOURCE_LOCK udp28695)

lorvane_wine_test(version_resource_wine_test kit/version_resource_test.cpp)
target_include_directories(version_resource_wine_test PRIVATE ${LORVANE_GENERATED_DIR})
target_link_libraries(version_resource_wine_test PRIVATE version)
add_dependencies(version_resource_wine_test waytool)

# The package of this architecture, which make dist (and make test, before the Wine tests) makes.
add_test(NAME kit.package
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/kit/package_test.sh ${LORVANE_ARCH}
                 ${PROJECT_SOURCE_DIR}/dist/lorvane-${PROJECT_VERSION}-${LORVANE_ARCH}.zip
                 ${CMAKE_CURRENT_BINARY_DIR}/package-test $<TARGET_FILE:version_resource_wine_test>
                 ${PROJECT_VERSION})
set_tests_properties(kit.package PROPERTIES
    PASS_REGULAR_EXPRESSION "package: passed"
    FAIL_REGULAR_EXPRESSION "FAILED|Unhandled (exception|page fault)"
    RESOURCE_LOCK udp28695
    TIMEOUT 300)
