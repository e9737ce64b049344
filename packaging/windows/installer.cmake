# SPDX-FileCopyrightText: 2026 Kestrin
# SPDX-License-Identifier: MIT
# The Windows installer (NSIS, made by cpack -G NSIS) and the zip of the same
# files, both the same bytes from every build of one commit. Included by
# packaging/windows.cmake before it includes CPack; needs source_date_epoch.

list(APPEND CPACK_GENERATOR NSIS)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CPackProjectConfig.cmake)

set(CPACK_PACKAGE_VENDOR Kestrin)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Morvanta)
# The key of the Apps entry, without the version, so that a newer release
# installs over an older one instead of beside it.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Morvanta)
set(CPACK_NSIS_PACKAGE_NAME "Morvanta by Kestrin")
set(CPACK_NSIS_DISPLAY_NAME "Morvanta by Kestrin")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The Start-menu shortcut, to the program at the top of the install folder; it
# shows the program's own icon, as the Apps entry does.
set(CPACK_PACKAGE_EXECUTABLES morvanta "Morvanta by Kestrin")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(program_file morvanta.exe)
set(CPACK_NSIS_INSTALLED_ICON_NAME ${program_file})
# The finish page offers to start the meter; a silent install starts nothing.
set(CPACK_NSIS_MUI_FINISHPAGE_RUN ${program_file})
# The installer and the uninstaller show the program's icon too.
set(CPACK_NSIS_MUI_ICON ${icon})
set(CPACK_NSIS_MUI_UNIICON ${icon})

# CPack passes these to makensis as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
# The registry key in which CPack notes the install folder.
set(install_key "Software\\${CPACK_PACKAGE_VENDOR}\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}")
# Debian's makensis makes 32-bit installers unless told otherwise; a 64-bit
# program comes with a 64-bit installer, which 64-bit Wine without its
# 32-bit part starts too. installer.nsh holds what the installer does beyond
# CPack's.
set(CPACK_NSIS_DEFINES "Target amd64-unicode
!define INSTALL_KEY \"${install_key}\"
!define PROGRAM \"${program_file}\"
!include \"${CMAKE_CURRENT_LIST_DIR}/installer.nsh\"")
set(uninstall_key "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}")

# CPack's installer script calls into installer.nsh where CPack has no hook
# of its own: as the installer starts, as the user leaves the folder page,
# before the install section makes its folder, and where the uninstaller
# removes that folder. CPack takes the script from CPACK_MODULE_PATH.
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in nsis_template)
function(morvanta_nsis_hook line replacement)
    string(FIND "${nsis_template}" "\n${line}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "CPack's NSIS.template.in has no line \"${line}\" to call installer.nsh from")
    endif()
    string(REPLACE "\n${line}\n" "\n${replacement}\n" nsis_template "${nsis_template}")
    set(nsis_template "${nsis_template}" PARENT_SCOPE)
endfunction()
morvanta_nsis_hook("Function .onInit" "Function .onInit\n  Call CheckRequestedFolder")
morvanta_nsis_hook("  !insertmacro MUI_PAGE_DIRECTORY" "  !define MUI_DIRECTORYPAGE_VERIFYONLEAVE
  !define MUI_PAGE_CUSTOMFUNCTION_LEAVE LeaveFolderPage
  !insertmacro MUI_PAGE_DIRECTORY")
morvanta_nsis_hook("  SetOutPath \"$INSTDIR\"" "  Call ReplaceInstall\n  SetOutPath \"$INSTDIR\"")
morvanta_nsis_hook("  RMDir \"$INSTDIR\"" "  Call un.RemoveInstallFolder")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/nsis/NSIS.template.in "${nsis_template}")
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_BINARY_DIR}/nsis)

# The wrapper puts the uninstaller's lists of files and folders in an order
# that does not depend on the file system.
set(CPACK_NSIS_EXECUTABLE ${CMAKE_CURRENT_LIST_DIR}/makensis)
# Without SetDateSave off the installer stores each file's time, which is the
# time it was built, not the time of the commit. A file that cannot be written
# stops the install rather than being skipped, silently too, so that an
# install that ends well has put every file in place.
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "SetDateSave off
  AllowSkipFiles off")
# The size Apps shows, in KiB, as installed, and the folder. CPack writes
# NoModify and NoRepair as text, where Windows reads numbers.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  \${GetSize} \"$INSTDIR\" \"/S=0K\" $0 $1 $2
  WriteRegDWORD SHCTX \"${uninstall_key}\" \"EstimatedSize\" $0
  WriteRegStr SHCTX \"${uninstall_key}\" \"InstallLocation\" $INSTDIR
  WriteRegDWORD SHCTX \"${uninstall_key}\" \"NoModify\" 1
  WriteRegDWORD SHCTX \"${uninstall_key}\" \"NoRepair\" 1")
# Nothing is removed while the meter is open. CPack's uninstaller removes the
# key that records the install folder but leaves the publisher's key above
# it, empty.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  StrCpy $R0 $INSTDIR
  Call un.CheckMeterClosed
  Call un.NoteCreatedFolder
  DeleteRegKey SHCTX \"${install_key}\"
  DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"")

# CPack's zip lists each folder's files in the order the file system gives
# them, which differs between file systems; this packs it again, sorted.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/sorted-zip.cmake)

# The linker stamps the program with the time of the link unless
# SOURCE_DATE_EPOCH says otherwise.
set_property(TARGET morvanta PROPERTY CXX_LINKER_LAUNCHER
             ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${source_date_epoch})

if(BUILD_TESTING AND CMAKE_CROSSCOMPILING)
    set(check ${PROJECT_SOURCE_DIR}/tests/check-packaging)
    add_test(NAME windows_installer
             COMMAND ${check} windows-installer ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
    add_test(NAME windows_reproducible
             COMMAND ${check} windows-reproducible ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR})
    # cpack builds in the build tree before it packs.
    set_tests_properties(windows_installer windows_reproducible
                         PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 RESOURCE_LOCK build_tree)
endif()
