# The device's functions: every Win32 function that the objects of lorvane.dll and of the static
# libraries it is built from import, and every C runtime function they call, must be one the
# device's platform has, as module/device_functions.txt lists them. The objects of the C++ runtime
# and of gpsdriver.dll (the device has a driver of its own) are not looked at.
set(device_api_objects ${CMAKE_CURRENT_BINARY_DIR}/lorvane_objects.txt)
file(GENERATE OUTPUT ${device_api_objects}
     CONTENT "$<JOIN:$<TARGET_OBJECTS:lorvane>;$<TARGET_OBJECTS:lorvane_core>;$<TARGET_OBJECTS:lorvane_win32>,\n>\n")
add_test(NAME device_api.imports
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/device/check_device_api.py
                 --nm ${CMAKE_NM} --arch ${CMAKE_SYSTEM_PROCESSOR}
                 ${PROJECT_SOURCE_DIR}/module/device_functions.txt ${device_api_objects})
set_tests_properties(device_api.imports PROPERTIES
    PASS_REGULAR_EXPRESSION "device API: passed"
    FAIL_REGULAR_EXPRESSION "FAILED")
