# cmake -DBIN=DIR -DSOURCE_DIR=DIR -DSTAGE=DIR -DNAME=NAME -DZIP=FILE -P PackageWindows.cmake
# Makes the zip of the Windows build: NAME/ holding varscope.exe, varscope-cli.exe, the Qt
# and compiler DLLs, Qt's platforms/ and styles/ plugins, help/ and examples/.
set(folder "${STAGE}/${NAME}")
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${folder}")

foreach(program varscope.exe varscope-cli.exe)
    if(NOT EXISTS "${BIN}/${program}")
        message(FATAL_ERROR "${BIN}/${program} is missing: build the preset windows first")
    endif()
    file(COPY "${BIN}/${program}" DESTINATION "${folder}")
endforeach()
# Qt's test library serves only the tests.
file(GLOB dlls "${BIN}/*.dll")
list(FILTER dlls EXCLUDE REGEX "/Qt6Test\\.dll$")
file(COPY ${dlls} DESTINATION "${folder}")
foreach(plugins platforms styles)
    file(COPY "${BIN}/${plugins}" DESTINATION "${folder}")
endforeach()
file(COPY "${SOURCE_DIR}/docs/help/" DESTINATION "${folder}/help")
# The demo's configuration and its reports as a Windows machine writes them; the stand-in
# MicroStation is a shell script and the reports made from it name this checkout.
file(COPY "${SOURCE_DIR}/examples/" DESTINATION "${folder}/examples"
     PATTERN "ustation.exe" EXCLUDE
     REGEX "/(MicroStation|Configuration)/msdebug\\.txt$" EXCLUDE)
foreach(needed Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll libgcc_s_seh-1.dll
               libwinpthread-1.dll platforms/qwindows.dll platforms/qoffscreen.dll
               styles/qwindowsvistastyle.dll help/index.html examples/sample-msdebug.txt)
    if(NOT EXISTS "${folder}/${needed}")
        message(FATAL_ERROR "The zip would lack ${needed}")
    endif()
endforeach()

file(REMOVE "${ZIP}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${ZIP}" --format=zip "${NAME}"
                WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Could not write ${ZIP}")
endif()
