# Our own targets build with every warning as an error; third-party code is never touched.
function(varscope_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX /permissive- /utf-8)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
        # GCC 12 reports impossible overlaps in std::string concatenation at -O2 and above
        # (GCC bug 105329), so -Wrestrict stays a warning there.
        if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
            target_compile_options(${target} PRIVATE -Wno-error=restrict -Wno-restrict)
        endif()
    endif()
endfunction()
