# Tests of a cross build: GoogleTest compiled from source for the target, test programs run
# through the toolchain's emulator (Wine for the Windows build).

# No GoogleTest package exists for the target, so Debian's sources are built with the same
# toolchain; the targets get the names a found package would give them.
set(VARSCOPE_GTEST_SOURCE /usr/src/googletest
    CACHE PATH "GoogleTest sources, built for the target in a cross build")
if(NOT EXISTS ${VARSCOPE_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${VARSCOPE_GTEST_SOURCE} "
                        "(Debian: apt install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VARSCOPE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(library gtest gtest_main gmock gmock_main)
    if(TARGET ${library} AND NOT TARGET GTest::${library})
        add_library(GTest::${library} ALIAS ${library})
    endif()
endforeach()

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    message(WARNING "Nothing here can run the test programs for ${CMAKE_SYSTEM_NAME}: they are "
                    "built but not registered as tests (Debian: apt install wine64 wine).")
endif()

# Under Wine the host's root is drive Z:; a path that names its drive stays valid after a
# test changes the current folder to another drive.
if(CMAKE_HOST_UNIX AND WIN32)
    set(VARSCOPE_TARGET_PATH_PREFIX "Z:")
else()
    set(VARSCOPE_TARGET_PATH_PREFIX "")
endif()

# Wine builds its prefix on first use, slowly; one setup test does it before the others so
# parallel tests never race to create it, and keeps one Wine server for all of them.
if(CMAKE_CROSSCOMPILING_EMULATOR AND VARSCOPE_WINE_ROOT)
    file(MAKE_DIRECTORY ${VARSCOPE_WINE_ROOT}/home)
    foreach(action start stop)
        add_test(NAME wine.${action}
                 COMMAND ${CMAKE_COMMAND} -DACTION=${action}
                         -DWINE_PREFIX=${VARSCOPE_WINE_ROOT}/prefix
                         "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                         "-DWINESERVER=${VARSCOPE_WINE_ENV};${VARSCOPE_WINESERVER}"
                         -P ${PROJECT_SOURCE_DIR}/cmake/WinePrefix.cmake)
    endforeach()
    set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine_prefix)
    set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine_prefix)
    set(VARSCOPE_WINE_FIXTURE wine_prefix)
endif()

# The Windows varscope-cli must write what the host's writes, byte for byte.
set(VARSCOPE_NATIVE_CLI ${PROJECT_SOURCE_DIR}/build/dev/cli/varscope-cli
    CACHE FILEPATH "The host's varscope-cli, compared with the cross-built one")
if(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME cli.same_output_as_host
             COMMAND ${CMAKE_COMMAND} -DNATIVE_CLI=${VARSCOPE_NATIVE_CLI}
                     -DWINDOWS_CLI=$<TARGET_FILE:varscope-cli>
                     "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                     -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                     -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/cli-comparison
                     -P ${PROJECT_SOURCE_DIR}/cmake/CompareCli.cmake)
    if(VARSCOPE_WINE_FIXTURE)
        set_tests_properties(cli.same_output_as_host
                             PROPERTIES FIXTURES_REQUIRED ${VARSCOPE_WINE_FIXTURE})
    endif()
endif()

# One ctest test per test program: listing the tests of each program under Wine would
# start Wine once more per program and parse CR LF output.
function(varscope_cross_test target)
    if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
        return()
    endif()
    add_test(NAME ${target} COMMAND ${target})
    if(VARSCOPE_WINE_FIXTURE)
        set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED ${VARSCOPE_WINE_FIXTURE})
    endif()
endfunction()
