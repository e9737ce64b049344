# SPDX-FileCopyrightText: 2026 Kestrin
# SPDX-License-Identifier: MIT
# What the Windows build adds to the program: the resources Windows reads from
# morvanta.exe (the icon that Explorer and the taskbar show, drawn at build
# time from the same SVG as the Linux launcher icon, and the version
# information of the file's properties), and where the DLLs it loads are.

enable_language(RC)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)

set(icon_svg ${PROJECT_SOURCE_DIR}/packaging/org.kestrin.morvanta.svg)
set(icon ${CMAKE_CURRENT_BINARY_DIR}/morvanta.ico)
# The sizes Explorer's views and the taskbar ask for; the largest is kept as
# PNG inside the icon, as Windows expects at 256 pixels.
set(icon_commands "")
set(icon_bitmaps "")
foreach(size 16 24 32 48 64 256)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/icon-${size}.png)
    list(APPEND icon_commands COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg})
    if(size EQUAL 256)
        list(APPEND icon_bitmaps -r ${png})
    else()
        list(APPEND icon_bitmaps ${png})
    endif()
endforeach()
add_custom_command(OUTPUT ${icon}
    ${icon_commands}
    COMMAND ${ICOTOOL} -c -o ${icon} ${icon_bitmaps}
    DEPENDS ${icon_svg}
    COMMENT "Drawing the Windows icon from ${icon_svg}"
    VERBATIM)

set(resources ${CMAKE_CURRENT_BINARY_DIR}/morvanta.rc)
configure_file(${PROJECT_SOURCE_DIR}/packaging/morvanta.rc.in ${resources} @ONLY)
set_source_files_properties(${resources} PROPERTIES OBJECT_DEPENDS ${icon})
target_sources(morvanta PRIVATE ${resources} ${icon})

# Qt's DLLs, and the compiler's runtime DLLs (libstdc++, libgcc, winpthread,
# libssp): Debian's cross compiler keeps these in the folders it links from,
# a MinGW on Windows beside itself. Together they hold every DLL the program
# and its tests load that is not Windows' own.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-search-dirs
                OUTPUT_VARIABLE search_dirs COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCH "libraries: =([^\n]*)" libraries_line "${search_dirs}")
if(CMAKE_HOST_WIN32)
    set(compiler_dirs "${CMAKE_MATCH_1}")
else()
    string(REPLACE ":" ";" compiler_dirs "${CMAKE_MATCH_1}")
endif()
get_filename_component(compiler_bin ${CMAKE_CXX_COMPILER} DIRECTORY)
set(MORVANTA_DLL_DIRS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
foreach(dir IN LISTS compiler_bin compiler_dirs)
    get_filename_component(dir ${dir} REALPATH)
    if(IS_DIRECTORY ${dir})
        list(APPEND MORVANTA_DLL_DIRS ${dir})
    endif()
endforeach()
list(REMOVE_DUPLICATES MORVANTA_DLL_DIRS)

# The folder that runs on Windows as it is, laid out by every build.
set(MORVANTA_WINDOWS_FOLDER ${CMAKE_BINARY_DIR}/${PROJECT_NAME}-${PROJECT_VERSION}-win64)
