# Our own targets build with every warning on; third-party code is never touched. Warnings
# are errors only where we build (the dev, asan and CI presets): a newer compiler's new
# warning must not break a user's or a packager's release build.
option(VARSCOPE_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

function(varscope_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
        if(VARSCOPE_WARNINGS_AS_ERRORS)
            target_compile_options(${target} PRIVATE /WX)
        endif()
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
        if(VARSCOPE_WARNINGS_AS_ERRORS)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
        # GCC 12 reports impossible overlaps in std::string concatenation at -O2 and above
        # (GCC bug 105329), so -Wrestrict stays a warning there.
        if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
            target_compile_options(${target} PRIVATE -Wno-error=restrict -Wno-restrict)
        endif()
    endif()
endfunction()
