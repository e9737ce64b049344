# SPDX-FileCopyrightText: 2026 Kestrin
# SPDX-License-Identifier: MIT
# Run by cpack once it has made its packages. It packs each zip again with
# its files in sorted order, all dated SOURCE_DATE_EPOCH: cpack adds them in
# the order the file system lists them, which differs from one file system
# to another, so the same files would make different zips.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.zip$")
        continue()
    endif()
    set(unpacked ${package}.files)
    file(REMOVE_RECURSE ${unpacked})
    file(ARCHIVE_EXTRACT INPUT ${package} DESTINATION ${unpacked})
    # GLOB sorts what it finds; folders come with the files inside them.
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${unpacked} ${unpacked}/*)
    list(JOIN files "\n" listing)
    file(WRITE ${unpacked}.list "${listing}\n")
    # Zip keeps local times: written in UTC, the bytes do not depend on where
    # the package was made.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC SOURCE_DATE_EPOCH=$ENV{SOURCE_DATE_EPOCH}
                            ${CMAKE_COMMAND} -E tar cf ${package}.sorted --format=zip
                            --files-from=${unpacked}.list
                    WORKING_DIRECTORY ${unpacked} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "could not pack ${package} again in sorted order")
    endif()
    file(RENAME ${package}.sorted ${package})
    file(REMOVE_RECURSE ${unpacked} ${unpacked}.list)
endforeach()
