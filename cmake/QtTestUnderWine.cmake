# cmake -DEMULATOR=LIST -DPROGRAM=EXE -DLOG=FILE -DLOG_PREFIX=Z: -P QtTestUnderWine.cmake
# Under Wine a QtTest program's own output to the console is lost, so a failure would say
# nothing; it writes its results to a file instead, which is printed here.
file(REMOVE "${LOG}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" -o "${LOG_PREFIX}${LOG},txt"
                RESULT_VARIABLE result INPUT_FILE /dev/null)
if(EXISTS "${LOG}")
    file(READ "${LOG}" results)
    message("${results}")
else()
    message("${PROGRAM} wrote no results")
endif()
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} failed (${result})")
endif()
