# SPDX-FileCopyrightText: 2026 Kestrin
# SPDX-License-Identifier: MIT
# Installs beside the program every DLL that it and its plugins import, and
# that those DLLs import in turn, as objdump reads the import tables. A DLL
# found in none of DLL_DIRS is one of Windows' own.
#
# Run at install time (packaging/windows.cmake), with OBJDUMP, STRIP,
# DLL_DIRS, BINARIES (the program and its plugins) and PLUGINS (the plugins
# as installed, relative to the install folder) set. A stripped install
# strips the plugins and these DLLs too, which also gives them
# SOURCE_DATE_EPOCH's time stamp.

cmake_policy(VERSION 3.16)

set(destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
function(strip_installed file)
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND ${STRIP} --strip-unneeded ${destination}/${file} COMMAND_ERROR_IS_FATAL ANY)
    endif()
endfunction()

foreach(plugin IN LISTS PLUGINS)
    strip_installed(${plugin})
endforeach()

set(pending ${BINARIES})
set(seen "")
set(windows_own "")
while(pending)
    list(POP_FRONT pending binary)
    execute_process(COMMAND ${OBJDUMP} -p ${binary} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
    foreach(import IN LISTS imports)
        string(REPLACE "DLL Name: " "" name "${import}")
        # Windows matches DLL names in any case.
        string(TOLOWER ${name} key)
        if(key IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${key})
        set(dll "")
        foreach(dir IN LISTS DLL_DIRS)
            if(EXISTS ${dir}/${name})
                set(dll ${dir}/${name})
                break()
            endif()
        endforeach()
        if(NOT dll)
            list(APPEND windows_own ${name})
            continue()
        endif()
        list(APPEND pending ${dll})
        file(INSTALL ${dll} DESTINATION ${destination})
        strip_installed(${name})
    endforeach()
endwhile()
list(JOIN windows_own ", " windows_own)
message(STATUS "Left to Windows: ${windows_own}")
