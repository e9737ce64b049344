# SPDX-FileCopyrightText: 2026 Kestrin
# SPDX-License-Identifier: MIT
# The licences that travel with the Windows program, in the zip and in the
# installer alike, all taken from the sources and packages the files come
# from: the meter's own; Qt's, with where its source comes from and how it
# was built; the notices of the third-party code built into the Qt libraries
# and plugins; and those of the MinGW-w64 runtime. Included by
# packaging/CMakeLists.txt; sets CPACK_RESOURCE_FILE_LICENSE for the
# installer's licence page.

# Reading Qt's attribution files takes cmake_path and the host's release name.
if(CMAKE_VERSION VERSION_LESS 3.22)
    message(FATAL_ERROR "The Windows build needs CMake 3.22 or later; this is ${CMAKE_VERSION}")
endif()

set(licenses ${CMAKE_CURRENT_BINARY_DIR}/licenses)
file(REMOVE_RECURSE ${licenses})

# The meter's licence, with the copyright line that the REUSE copy in
# LICENSES/ leaves as a placeholder.
file(READ ${PROJECT_SOURCE_DIR}/LICENSES/MIT.txt text)
string(REPLACE "<year> <copyright holders>" "2026 Kestrin" meter_licence "${text}")
if(meter_licence STREQUAL text)
    message(FATAL_ERROR "LICENSES/MIT.txt has no copyright placeholder to fill in")
endif()
file(WRITE ${licenses}/Morvanta-MIT.txt "${meter_licence}")
set(CPACK_RESOURCE_FILE_LICENSE ${licenses}/Morvanta-MIT.txt)

# scripts/build-qt-windows keeps Qt's source and a record of how it built Qt
# beside the installed Qt.
set(qt_source ${QT6_INSTALL_PREFIX}/source)
file(STRINGS ${QT6_INSTALL_PREFIX}/build-options.txt qt_options)
list(POP_FRONT qt_options qt_origin)
string(REGEX REPLACE "^qt6-base " "" qt_debian_version "${qt_origin}")
file(STRINGS ${qt_source}/debian/patches/series qt_patches REGEX "^[^#]")
# scripts/build-qt-windows builds the qt6-base of the Debian release it runs
# on, and so of the one this build runs on.
cmake_host_system_information(RESULT debian_release QUERY DISTRIB_PRETTY_NAME)
list(JOIN qt_options "\n    " qt_options)
list(JOIN qt_patches "\n    " qt_patches)

file(COPY ${qt_source}/LICENSES/LGPL-3.0-only.txt ${qt_source}/LICENSES/GPL-3.0-only.txt
     DESTINATION ${licenses}/Qt)
configure_file(${qt_source}/debian/copyright ${licenses}/Qt/qt6-base-debian-copyright.txt COPYONLY)
file(WRITE ${licenses}/Qt/README.txt
"Qt ${Qt6_VERSION}

The Qt6*.dll files and the plugins in the platforms and styles folders are
Qt ${Qt6_VERSION}, by The Qt Company Ltd. and other contributors. Morvanta uses
them under the GNU Lesser General Public License version 3
(LGPL-3.0-only.txt), which adds its permissions to the GNU General Public
License version 3 (GPL-3.0-only.txt). You may replace these DLLs with your own
build of Qt ${Qt6_VERSION}: Morvanta loads them from its own folder.

They are built from Debian's qt6-base source package, version
${qt_debian_version}, unchanged. Its source, with Debian's patches, is
available from Debian: on ${debian_release}, run

    apt-get source qt6-base=${qt_debian_version}

or take that version from Debian's snapshot archive of every package.
Debian's record of the copyright holders and licences of every file in it
is in qt6-base-debian-copyright.txt.

Unpacking applies Debian's patches, in this order:
    ${qt_patches}

Qt was then configured for 64-bit Windows (MinGW-w64 GCC, posix threads)
with these options, and built and installed as is:
    ${qt_options}

The DLLs here are those of that build, stripped of their symbol tables.

The third-party code built into these DLLs has notices of its own, in the
third-party folder.
")

# The third-party code built into the Qt DLLs and plugins that go with the
# program: every entry of Qt's qt_attribution.json files that covers a file
# of Qt's source their build read, as scripts/build-qt-windows recorded it in
# built-from.txt. An entry covers the files it lists, else what its Path
# names, else the folder it is in.
file(STRINGS ${QT6_INSTALL_PREFIX}/built-from.txt built_from)
set(qt_built_from "")
foreach(target Qt6::Core Qt6::Gui Qt6::Widgets ${windows_platform_plugin} ${windows_style_plugin})
    get_target_property(location ${target} IMPORTED_LOCATION_RELEASE)
    file(RELATIVE_PATH binary ${QT6_INSTALL_PREFIX} ${location})
    string(REPLACE "." "[.]" pattern "^${binary} ")
    set(lines ${built_from})
    list(FILTER lines INCLUDE REGEX "${pattern}")
    if(NOT lines)
        message(FATAL_ERROR "${QT6_INSTALL_PREFIX}/built-from.txt does not say what ${binary} is built from")
    endif()
    list(TRANSFORM lines REPLACE "${pattern}" "")
    list(APPEND qt_built_from ${lines})
endforeach()
list(REMOVE_DUPLICATES qt_built_from)
# One string with a line per file, searched for each entry's files and folders.
list(JOIN qt_built_from "\n" qt_built_from)
set(qt_built_from "\n${qt_built_from}\n")
# Files in Qt's source that Qt's tools generated from third-party ones, and
# which so carry that code: QGradient's presets, and Direct3D 12's compiled
# mipmap shader.
foreach(generated_from
        src/gui/painting/webgradients.cpp=util/gradientgen/webgradients.css
        src/gui/rhi/cs_mipmap_p.h=src/gui/rhi/mipmap.hlsl)
    string(REPLACE "=" ";" generated_from ${generated_from})
    list(GET generated_from 0 generated)
    list(GET generated_from 1 original)
    string(FIND "${qt_built_from}" "\n${generated}\n" at)
    if(NOT at EQUAL -1)
        string(APPEND qt_built_from "${original}\n")
    endif()
endforeach()

# Sets RESULT to the value at KEY of the JSON object ENTRY: a string, or the
# strings of a list joined by SEPARATOR; empty where there is none.
function(morvanta_json_text entry key separator result)
    string(JSON type ERROR_VARIABLE missing TYPE "${entry}" ${key})
    set(text "")
    if(type STREQUAL ARRAY)
        string(JSON count LENGTH "${entry}" ${key})
        set(index 0)
        while(index LESS count)
            string(JSON element GET "${entry}" ${key} ${index})
            if(index GREATER 0)
                string(APPEND text "${separator}")
            endif()
            string(APPEND text "${element}")
            math(EXPR index "${index} + 1")
        endwhile()
    elseif(NOT missing)
        string(JSON text GET "${entry}" ${key})
    endif()
    set(${result} "${text}" PARENT_SCOPE)
endfunction()

# Sets RESULT to whether the entry ENTRY of the qt_attribution.json file in
# the folder DIR, relative to Qt's source, covers a file the build read.
function(morvanta_qt_entry_used entry dir result)
    morvanta_json_text("${entry}" Files " " files)
    separate_arguments(files UNIX_COMMAND "${files}")
    set(searches "")
    foreach(file IN LISTS files)
        cmake_path(SET file NORMALIZE "${dir}/${file}")
        list(APPEND searches "\n${file}\n")
    endforeach()
    # A Path names a file or a folder.
    if(NOT files)
        morvanta_json_text("${entry}" Path "" path)
        cmake_path(SET path NORMALIZE "${dir}/${path}")
        string(REGEX REPLACE "/$" "" path "${path}")
        list(APPEND searches "\n${path}\n" "\n${path}/")
    endif()
    foreach(search IN LISTS searches)
        string(FIND "${qt_built_from}" "${search}" at)
        if(NOT at EQUAL -1)
            set(${result} TRUE PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${result} FALSE PARENT_SCOPE)
endfunction()

# Writes the notice of each entry of the qt_attribution.json file
# ATTRIBUTION that covers code in the Qt binaries to NOTICES/<Id>.txt: what
# the code is, its version, copyright and licence, and the licence texts it
# comes with. An entry without a licence fails the build.
function(morvanta_qt_notices attribution notices)
    file(READ ${attribution} json)
    get_filename_component(dir ${attribution} DIRECTORY)
    string(JSON type TYPE "${json}")
    if(type STREQUAL ARRAY)
        string(JSON count LENGTH "${json}")
        math(EXPR last "${count} - 1")
        foreach(index RANGE ${last})
            string(JSON entry GET "${json}" ${index})
            morvanta_qt_notice("${entry}" ${dir} ${notices})
        endforeach()
    else()
        morvanta_qt_notice("${json}" ${dir} ${notices})
    endif()
endfunction()

function(morvanta_qt_notice entry dir notices)
    file(RELATIVE_PATH source_dir ${qt_source} ${dir})
    morvanta_qt_entry_used("${entry}" "${source_dir}" used)
    if(NOT used)
        return()
    endif()
    string(JSON id GET "${entry}" Id)
    morvanta_json_text("${entry}" License "" licence)
    if(licence STREQUAL "")
        message(FATAL_ERROR "${source_dir}/qt_attribution.json names no licence of ${id}, built into Qt")
    endif()
    set(notice "")
    foreach(key Name Version Homepage QtUsage License LicenseId Copyright)
        morvanta_json_text("${entry}" ${key} "\n    " value)
        if(NOT value STREQUAL "")
            string(APPEND notice "${key}: ${value}\n")
        endif()
    endforeach()
    # The texts: a file of copyright lines, one licence file, or several;
    # code in the public domain has none.
    set(texts "")
    foreach(key CopyrightFile LicenseFile LicenseFiles)
        morvanta_json_text("${entry}" ${key} ";" text_files)
        list(APPEND texts ${text_files})
    endforeach()
    foreach(text_file IN LISTS texts)
        file(READ ${dir}/${text_file} text)
        string(APPEND notice "\n---- ${text_file}\n\n${text}")
    endforeach()
    file(WRITE ${notices}/${id}.txt "${notice}")
    set_property(GLOBAL APPEND PROPERTY morvanta_qt_noticed ${source_dir})
endfunction()

file(GLOB_RECURSE attributions ${qt_source}/qt_attribution.json)
foreach(attribution IN LISTS attributions)
    morvanta_qt_notices(${attribution} ${licenses}/Qt/third-party)
endforeach()
# Qt keeps each third-party library it carries in a folder of src/3rdparty,
# with its attribution: one the DLLs are built from and that gave no notice
# means a notice is missing.
get_property(noticed GLOBAL PROPERTY morvanta_qt_noticed)
string(REGEX MATCHALL "\nsrc/3rdparty/[^/\n]+/" libraries "${qt_built_from}")
list(TRANSFORM libraries REPLACE "^\n(.*)/$" "\\1")
list(REMOVE_DUPLICATES libraries)
foreach(library IN LISTS libraries)
    if(NOT library IN_LIST noticed)
        message(FATAL_ERROR "Qt's DLLs are built from ${library}, and no attribution there gave a notice")
    endif()
endforeach()

# The runtime the program and the Qt DLLs run on: GCC's libgcc, libstdc++
# and libssp under the GCC Runtime Library Exception, MinGW-w64's
# winpthreads and the start-up code linked into every binary. Their licences
# are Debian's copyright files of the packages they come from.
set(runtime_packages "")
foreach(runtime_file libgcc_s_seh-1.dll libstdc++-6.dll libssp-0.dll libwinpthread-1.dll crt2.o)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime_file}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    file(REAL_PATH ${path} path)
    execute_process(COMMAND dpkg-query -S ${path} OUTPUT_VARIABLE owner RESULT_VARIABLE unowned
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(unowned)
        message(FATAL_ERROR "no Debian package owns ${path}, so its licence is unknown")
    endif()
    string(REGEX REPLACE ":.*" "" package "${owner}")
    list(APPEND runtime_packages ${package})
endforeach()
list(REMOVE_DUPLICATES runtime_packages)
foreach(package IN LISTS runtime_packages)
    configure_file(/usr/share/doc/${package}/copyright ${licenses}/MinGW-w64/${package}-copyright.txt COPYONLY)
endforeach()
configure_file(/usr/share/common-licenses/GPL-3 ${licenses}/MinGW-w64/GPL-3.txt COPYONLY)
list(JOIN runtime_packages "\n    " runtime_packages)
file(WRITE ${licenses}/MinGW-w64/README.txt
"The MinGW-w64 runtime

libgcc_s_seh-1.dll, libstdc++-6.dll, libssp-0.dll and the GCC support code
linked into every program and DLL here are part of GCC, under the GNU
General Public License version 3 (GPL-3.txt) with the GCC Runtime Library
Exception, which lets programs that use them carry any licence.
libwinpthread-1.dll and the start-up code linked into every program and DLL
are part of MinGW-w64.

They come from these Debian packages. Each *-copyright.txt file here is the
package's record of copyright holders and licences, with the texts of the
licences or, for those Debian keeps in /usr/share/common-licenses, their
names; the GPL version 3 that GCC's runtime is under is GPL-3.txt here.
    ${runtime_packages}
")

file(WRITE ${licenses}/README.txt
"Morvanta ${PROJECT_VERSION} for Windows: the licences of what it is made of

Morvanta-MIT.txt  morvanta.exe: the MIT licence, copyright 2026 Kestrin.
Qt                The Qt6*.dll files and the plugins in the platforms and
                  styles folders: Qt ${Qt6_VERSION} under the LGPL version 3;
                  Qt/README.txt says where their source comes from and how
                  they were built, Qt/third-party holds the notices of the
                  code built into them.
MinGW-w64         libgcc_s_seh-1.dll, libstdc++-6.dll, libssp-0.dll and
                  libwinpthread-1.dll: the GCC and MinGW-w64 runtime, under
                  the GPL version 3 with the GCC Runtime Library Exception
                  and MinGW-w64's own licences.
")

# Text files on Windows end their lines in CR LF, and some of its editors
# show a text without them as one long line.
file(GLOB_RECURSE texts ${licenses}/*.txt)
foreach(text_file IN LISTS texts)
    file(READ ${text_file} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${text_file} "${text}")
endforeach()

install(DIRECTORY ${licenses}/ DESTINATION licenses)
