# SPDX-FileCopyrightText: 2026 Kestrin
# SPDX-License-Identifier: MIT
# Installs the meter as one folder that runs on a Windows machine without Qt:
# the program, the Qt plugins it loads, and every DLL these import that is not
# Windows' own, side by side. Each build leaves that folder in the build tree,
# and cpack packs it into a zip.

set(windows_platform_plugin Qt6::QWindowsIntegrationPlugin)
set(windows_style_plugin Qt6::QWindowsVistaStylePlugin)

# Stripping stamps a PE file with the time it is done, unless
# SOURCE_DATE_EPOCH gives one: this build's, so that the folder and the zip
# hold the same bytes.
install(CODE "
    if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
        set(ENV{SOURCE_DATE_EPOCH} ${source_date_epoch})
    endif()")
install(TARGETS morvanta RUNTIME DESTINATION .)
# Qt looks for its plugins in folders beside the program.
install(FILES $<TARGET_FILE:${windows_platform_plugin}> DESTINATION platforms)
install(FILES $<TARGET_FILE:${windows_style_plugin}> DESTINATION styles)

# The DLLs these need, from Qt's folder and the compiler's; stripped, like
# the plugins, so that they carry this build's time instead of Qt's.
install(CODE "
    set(OBJDUMP \"${CMAKE_OBJDUMP}\")
    set(STRIP \"${CMAKE_STRIP}\")
    set(DLL_DIRS \"${MORVANTA_DLL_DIRS}\")
    set(BINARIES \"$<TARGET_FILE:morvanta>\" \"$<TARGET_FILE:${windows_platform_plugin}>\"
                 \"$<TARGET_FILE:${windows_style_plugin}>\")
    set(PLUGINS platforms/$<TARGET_FILE_NAME:${windows_platform_plugin}>
                styles/$<TARGET_FILE_NAME:${windows_style_plugin}>)
    include(\"${CMAKE_CURRENT_SOURCE_DIR}/windows-dlls.cmake\")")

get_filename_component(folder_name ${MORVANTA_WINDOWS_FOLDER} NAME)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${folder_name})
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
    COMMENT "Laying out ${folder_name}/, the folder that runs on Windows")
