# cmake -DNATIVE_CLI=FILE -DWINDOWS_CLI=FILE -DEMULATOR=LIST -DSOURCE_DIR=DIR -DWORK_DIR=DIR
#       -P CompareCli.cmake
# Runs the host's varscope-cli and the Windows one (through the emulator) on the same reports
# with the same arguments and fails on the first difference in exit code, standard output,
# the --out file or the messages.
if(NOT EXISTS "${NATIVE_CLI}")
    message(FATAL_ERROR "No host varscope-cli at ${NATIVE_CLI} to compare with; build it first "
                        "(cmake --preset dev && cmake --build --preset dev --target varscope-cli) "
                        "or name it with -DVARSCOPE_NATIVE_CLI=FILE.")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# Relative to the source folder, so both programs get the very same arguments.
set(reports
    examples/sample-msdebug.txt
    examples/MicroStation/msdebug.txt
    tests/fixtures/realistic_msdebug.txt
    tests/fixtures/hostile_msdebug.txt
    tests/fixtures/cr_only_msdebug.txt
    tests/fixtures/random.bin
    tests/fixtures/no-such-report.txt)
# One run's arguments separated by "|". Every run asks for the format's own CR LF: standard
# output's default line ends are the system's, which differ by design.
set(runs
    "--view|all"
    "--view|summary"
    "--view|files"
    "--view|isolate|--name|MS_DEF"
    "--view|isolate|--level|User|--columns|variable,file|--delimiter|tab"
    "--columns|level,expansion|--delimiter|space"
    "--view|isolate|--level|9|--columns|file,level|--delimiter|, ")

set(compared 0)
foreach(report IN LISTS reports)
    if(NOT EXISTS "${SOURCE_DIR}/${report}" AND NOT report MATCHES "no-such")
        continue()
    endif()
    foreach(run IN LISTS runs)
        string(REPLACE "|" ";" arguments "${run}")
        # Standard output for every run, the --out file for the first run of each report.
        set(destinations stdout)
        if(run STREQUAL "--view|all")
            list(APPEND destinations file)
        endif()
        foreach(destination IN LISTS destinations)
            set(extra)
            if(destination STREQUAL "file")
                set(extra --out "${WORK_DIR}/native.txt")
                set(extraWindows --out "${WORK_DIR}/windows.txt")
            else()
                set(extraWindows)
            endif()
            # Outputs go to files: Wine is slow to end a program whose output is a socket,
            # which is what CMake would give it to capture the output directly.
            execute_process(COMMAND "${NATIVE_CLI}" export ${report} --eol crlf ${arguments} ${extra}
                            WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE nativeCode
                            INPUT_FILE /dev/null OUTPUT_FILE "${WORK_DIR}/native.out"
                            ERROR_FILE "${WORK_DIR}/native.err")
            execute_process(COMMAND ${EMULATOR} "${WINDOWS_CLI}" export ${report} --eol crlf ${arguments}
                                    ${extraWindows}
                            WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE windowsCode
                            INPUT_FILE /dev/null OUTPUT_FILE "${WORK_DIR}/windows.out"
                            ERROR_FILE "${WORK_DIR}/windows.err")
            file(READ "${WORK_DIR}/native.err" nativeErr)
            file(READ "${WORK_DIR}/windows.err" windowsErr)
            set(what "export ${report} --eol crlf ${arguments} (${destination})")
            if(NOT nativeCode STREQUAL windowsCode)
                message(FATAL_ERROR "${what}: exit ${nativeCode} here, ${windowsCode} on Windows")
            endif()
            execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                                    "${WORK_DIR}/native.out" "${WORK_DIR}/windows.out"
                            RESULT_VARIABLE differ)
            if(differ)
                message(FATAL_ERROR "${what}: standard output differs: native.out and "
                                    "windows.out in ${WORK_DIR}")
            endif()
            # Messages are text, so Windows ends their lines with CR LF.
            string(REPLACE "\r\n" "\n" windowsErr "${windowsErr}")
            if(NOT nativeErr STREQUAL windowsErr)
                message(FATAL_ERROR "${what}: messages differ:\n${nativeErr}\n--- Windows:\n"
                                    "${windowsErr}")
            endif()
            if(destination STREQUAL "file" AND nativeCode EQUAL 0)
                execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                                        "${WORK_DIR}/native.txt" "${WORK_DIR}/windows.txt"
                                RESULT_VARIABLE differ)
                if(differ)
                    message(FATAL_ERROR "${what}: the written files differ; both are in "
                                        "${WORK_DIR}")
                endif()
                file(REMOVE "${WORK_DIR}/native.txt" "${WORK_DIR}/windows.txt")
            endif()
            math(EXPR compared "${compared} + 1")
        endforeach()
    endforeach()
endforeach()
if(compared LESS 40)
    message(FATAL_ERROR "Only ${compared} runs compared: the reports are missing")
endif()
message(STATUS "${compared} runs of varscope-cli gave the same bytes here and on Windows")
