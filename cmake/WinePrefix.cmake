# cmake -DACTION=start|stop -DWINE_PREFIX=DIR -DEMULATOR=LIST -DWINESERVER=LIST -P WinePrefix.cmake
# start: creates the Wine prefix of the tests once (quick when it is there) and keeps its
# server running while the tests start one program after another; stop: ends that server.
if(ACTION STREQUAL "stop")
    execute_process(COMMAND ${WINESERVER} -k RESULT_VARIABLE ignored ERROR_QUIET)
    return()
endif()

set(ready "${WINE_PREFIX}/varscope-ready")
if(NOT EXISTS "${ready}")
    message(STATUS "Creating the Wine prefix ${WINE_PREFIX} (once; takes a little while)")
    execute_process(COMMAND ${EMULATOR} wineboot --init RESULT_VARIABLE result
                    INPUT_FILE /dev/null)
    if(NOT result EQUAL 0 OR NOT IS_DIRECTORY "${WINE_PREFIX}/drive_c/windows")
        message(FATAL_ERROR "Wine could not create its prefix in ${WINE_PREFIX} (exit ${result})")
    endif()
    file(TOUCH "${ready}")
endif()
# Without this every program would start and stop a server of its own. It ends by itself
# half a minute after the last program, should the stop step not run; one short program
# starts that clock. No output pipes go to the server, or this step would wait for it.
execute_process(COMMAND ${WINESERVER} -w)
execute_process(COMMAND ${WINESERVER} -p30
                INPUT_FILE /dev/null OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
execute_process(COMMAND ${EMULATOR} cmd.exe /c exit
                INPUT_FILE /dev/null OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
