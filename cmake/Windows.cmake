# Windows builds: version information and the icon in the programs. The cross build against
# tools/qt-windows.sh's Qt (preset windows) also copies Qt's and the compiler's DLLs and
# Qt's plugins beside the programs as the zip holds them, so that the programs and the tests
# start under Wine as they will on Windows, and makes the zip.
enable_language(RC)

# Explorer shows these in the file's properties.
function(varscope_windows_resource target description)
    set(VARSCOPE_RC_NAME ${target})
    set(VARSCOPE_RC_DESCRIPTION "${description}")
    set(VARSCOPE_ICON "${PROJECT_SOURCE_DIR}/ui/resources/varscope.ico")
    set(rc "${PROJECT_BINARY_DIR}/resources/${target}.rc")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/windows_resource.rc.in" "${rc}" @ONLY)
    target_sources(${target} PRIVATE "${rc}")
    set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${VARSCOPE_ICON}")
endfunction()
varscope_windows_resource(varscope-cli "Varscope command line: MicroStation debug reports")
if(NOT TARGET varscope)
    return()
endif()
varscope_windows_resource(varscope "Varscope: MicroStation configuration debug report viewer")
if(NOT VARSCOPE_QT_WINDOWS)
    return()
endif()

# Everything a program needs at run time, beside it.
set(bin "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
if(NOT bin)
    message(FATAL_ERROR "The Windows build puts every program in one folder: configure it "
                        "with the preset windows (CMAKE_RUNTIME_OUTPUT_DIRECTORY)")
endif()
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)
set(qt_dlls Qt6::Core Qt6::Gui Qt6::Widgets)
if(VARSCOPE_BUILD_TESTS)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    list(APPEND qt_dlls Qt6::Test)
endif()
set(copies)
foreach(dll IN LISTS qt_dlls)
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${dll}> "${bin}")
endforeach()
list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VARSCOPE_MINGW_RUNTIME_DLLS}
                           "${bin}")
# The offscreen platform serves --screenshot; the Vista style is the look Windows users know.
set(plugins platforms:Qt6::QWindowsIntegrationPlugin platforms:Qt6::QOffscreenIntegrationPlugin
            styles:Qt6::QWindowsVistaStylePlugin)
foreach(entry IN LISTS plugins)
    # folder:target, the target itself holding "::"
    string(REGEX REPLACE "^([^:]+):.*$" "\\1" folder "${entry}")
    string(REGEX REPLACE "^[^:]+:(.*)$" "\\1" plugin "${entry}")
    if(NOT TARGET ${plugin})
        message(FATAL_ERROR "The Qt for Windows in ${VARSCOPE_QT_WINDOWS} lacks ${plugin}: "
                            "build it again with tools/qt-windows.sh")
    endif()
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory "${bin}/${folder}"
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}>
                               "${bin}/${folder}")
endforeach()
add_custom_target(windows_runtime ALL ${copies} VERBATIM)
add_dependencies(varscope windows_runtime)

# The zip: the programs and what they load, the help pages and the demo's configuration and
# reports (not the demo's stand-in MicroStation, a shell script).
set(VARSCOPE_ZIP_NAME "varscope-${PROJECT_VERSION}-windows-x64")
set(VARSCOPE_ZIP "${PROJECT_BINARY_DIR}/${VARSCOPE_ZIP_NAME}.zip")
file(GLOB_RECURSE zip_help CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/docs/help/*")
file(GLOB_RECURSE zip_examples CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/examples/*")
add_custom_command(
    OUTPUT "${VARSCOPE_ZIP}"
    COMMAND ${CMAKE_COMMAND} -DBIN=${bin} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DSTAGE=${PROJECT_BINARY_DIR}/package -DNAME=${VARSCOPE_ZIP_NAME}
            -DZIP=${VARSCOPE_ZIP} -P ${PROJECT_SOURCE_DIR}/cmake/PackageWindows.cmake
    DEPENDS varscope varscope-cli windows_runtime ${zip_help} ${zip_examples}
            ${PROJECT_SOURCE_DIR}/cmake/PackageWindows.cmake
    COMMENT "Packing ${VARSCOPE_ZIP_NAME}.zip" VERBATIM)
add_custom_target(windows_zip ALL DEPENDS "${VARSCOPE_ZIP}")
