# cmake -DWINE_PREFIX=DIR -DEMULATOR=LIST -P WinePrefix.cmake
# Creates the Wine prefix of the tests once; quick when it is already there.
set(ready "${WINE_PREFIX}/varscope-ready")
if(EXISTS "${ready}")
    return()
endif()
message(STATUS "Creating the Wine prefix ${WINE_PREFIX} (once; takes a little while)")
execute_process(COMMAND ${EMULATOR} wineboot --init RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT IS_DIRECTORY "${WINE_PREFIX}/drive_c/windows")
    message(FATAL_ERROR "Wine could not create its prefix in ${WINE_PREFIX} (exit ${result})")
endif()
file(TOUCH "${ready}")
