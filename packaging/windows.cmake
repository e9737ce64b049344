# SPDX-FileCopyrightText: 2026 Kestrin
# SPDX-License-Identifier: MIT
# Installs the meter as one folder that runs on a Windows machine without Qt:
# the program, the Qt plugins it loads, and every DLL these import that is not
# Windows' own, side by side. Each build leaves that folder in the build tree,
# and cpack packs it into a zip.

set(windows_platform_plugin Qt6::QWindowsIntegrationPlugin)
set(windows_style_plugin Qt6::QWindowsVistaStylePlugin)

install(TARGETS morvanta RUNTIME DESTINATION .)
# Qt looks for its plugins in folders beside the program.
install(FILES $<TARGET_FILE:${windows_platform_plugin}> DESTINATION platforms)
install(FILES $<TARGET_FILE:${windows_style_plugin}> DESTINATION styles)

# The DLLs come from the import tables of the program and the plugins, and of
# the DLLs found for those in turn, as objdump reads them. What is in none of
# MORVANTA_DLL_DIRS is Windows' own.
install(CODE "
    set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
    set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
    set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND \"${CMAKE_OBJDUMP}\")
    file(GET_RUNTIME_DEPENDENCIES
        EXECUTABLES \"$<TARGET_FILE:morvanta>\"
        MODULES \"$<TARGET_FILE:${windows_platform_plugin}>\" \"$<TARGET_FILE:${windows_style_plugin}>\"
        DIRECTORIES ${MORVANTA_DLL_DIRS}
        RESOLVED_DEPENDENCIES_VAR dlls
        UNRESOLVED_DEPENDENCIES_VAR windows_dlls)
    list(JOIN windows_dlls \", \" windows_dlls)
    message(STATUS \"Left to Windows: \${windows_dlls}\")
    file(INSTALL \${dlls} DESTINATION \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(dll IN LISTS dlls)
            get_filename_component(name \${dll} NAME)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${name}\"
                            COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")

set(CPACK_GENERATOR ZIP)
get_filename_component(CPACK_PACKAGE_FILE_NAME ${MORVANTA_WINDOWS_FOLDER} NAME)
set(CPACK_STRIP_FILES ON)
include(${CMAKE_CURRENT_SOURCE_DIR}/windows/licenses.cmake)
include(${CMAKE_CURRENT_SOURCE_DIR}/windows/installer.cmake)
include(CPack)

# Laid out afresh, so that it holds what the rules above give and nothing left
# from an earlier build.
add_custom_target(windows_folder ALL
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${MORVANTA_WINDOWS_FOLDER}
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --strip --prefix ${MORVANTA_WINDOWS_FOLDER}
    DEPENDS morvanta
    COMMENT "Laying out ${CPACK_PACKAGE_FILE_NAME}/, the folder that runs on Windows")
