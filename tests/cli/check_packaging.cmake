# Checks what a package ships, run by ctest with cmake -P:
#   -DCHECK=man      -DGROFF=... -DPAGES="a.1;b.1"      every page formats without a warning
#   -DCHECK=install  -DBUILD_DIR=... -DPREFIX=... -DEXPECT="rel/path;..."
#                    `cmake --install` puts every expected file under a fresh prefix
cmake_minimum_required(VERSION 3.25)

if(CHECK STREQUAL "man")
    foreach(page IN LISTS PAGES)
        execute_process(COMMAND ${GROFF} -man -ww -z ${page}
                        RESULT_VARIABLE status ERROR_VARIABLE warnings)
        if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
            message(FATAL_ERROR "${page} does not format cleanly (${status}):\n${warnings}")
        endif()
    endforeach()
elseif(CHECK STREQUAL "install")
    file(REMOVE_RECURSE ${PREFIX})
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cmake --install failed (${status}):\n${errors}")
    endif()
    foreach(expected IN LISTS EXPECT)
        if(NOT EXISTS ${PREFIX}/${expected})
            message(FATAL_ERROR "cmake --install did not put ${expected} in place")
        endif()
    endforeach()
    file(REMOVE_RECURSE ${PREFIX})
else()
    message(FATAL_ERROR "unknown CHECK '${CHECK}'")
endif()
