# SPDX-FileCopyrightText: 2026 Kestrin
# SPDX-License-Identifier: MIT
# Installs the meter as one folder that runs on a Windows machine without Qt:
# the program, the Qt plugins it loads, and every DLL these import that is not
# Windows' own, side by side. Each build leaves that folder in the build tree,
# and cpack packs it into a zip.

# The plugins are those the Qt in use makes its default on Windows, as
# qt_import_plugins links them into a static build: the windows platform,
# and the style that draws with Windows' own theme (windowsvista in Qt 6.4,
# modernwindows in Qt 6.8).
function(morvanta_default_plugin module type result)
    get_target_property(plugins Qt6::${module} QT_PLUGINS)
    set(defaults "")
    foreach(plugin IN LISTS plugins)
        get_target_property(plugin_type Qt6::${plugin} QT_PLUGIN_TYPE)
        get_target_property(default Qt6::${plugin} QT_DEFAULT_PLUGIN)
        if(plugin_type STREQUAL type AND default)
            list(APPEND defaults Qt6::${plugin})
        endif()
    endforeach()
    list(LENGTH defaults count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "Qt ${Qt6_VERSION} has not one default ${type} plugin but ${count}: ${defaults}")
    endif()
    set(${result} ${defaults} PARENT_SCOPE)
endfunction()
morvanta_default_plugin(Gui platforms windows_platform_plugin)
morvanta_default_plugin(Widgets styles windows_style_plugin)

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
