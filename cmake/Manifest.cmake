# Builds application manifests. Components announce their COM classes with
# pictrove_component_classes(); every manifest made with WITH_COM then lists them,
# so CoCreateInstance finds the DLLs beside the exe without any registry entry.

define_property(GLOBAL PROPERTY PICTROVE_COM_FILES BRIEF_DOCS "dll;clsid;..." FULL_DOCS "rf-COM entries")

function(pictrove_component_classes dll_name)
    set(entry "    <file name=\"${dll_name}\">\n")
    foreach(clsid IN LISTS ARGN)
        string(APPEND entry "      <comClass clsid=\"${clsid}\" threadingModel=\"Both\"/>\n")
    endforeach()
    string(APPEND entry "    </file>\n")
    set_property(GLOBAL APPEND_STRING PROPERTY PICTROVE_COM_FILES "${entry}")
    set_property(GLOBAL PROPERTY PICTROVE_COM_FILE_${dll_name} "${entry}")
endfunction()

# Class ids are written once, in the contract headers, as GuidFromText("{...}"); the manifests
# read them from there. pictrove_contract_clsid(out header key) gives the id on the line that
# holds key: a constant's name, or "// N " for reader format N.
function(pictrove_contract_clsid out header key)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
    file(STRINGS ${header} lines REGEX "GuidFromText\\(\"\\{[0-9A-Fa-f-]+\\}\"\\).*${key}|${key}.*GuidFromText")
    string(REGEX MATCH "\\{[0-9A-Fa-f-]+\\}" clsid "${lines}")
    list(LENGTH lines count)
    if(NOT count EQUAL 1 OR NOT clsid)
        message(FATAL_ERROR "${header}: no single class id for '${key}'")
    endif()
    set(${out} ${clsid} PARENT_SCOPE)
endfunction()

# The reader formats a class table serves: every kReaderClassIds[N] it names.
function(pictrove_served_reader_formats out table_source)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table_source})
    file(STRINGS ${table_source} lines REGEX "kReaderClassIds\\[[0-9]+\\]")
    set(formats "")
    # Every entry of a line: the formatter may put two short ones side by side.
    foreach(line IN LISTS lines)
        string(REGEX MATCHALL "kReaderClassIds\\[[0-9]+\\]" entries "${line}")
        foreach(entry IN LISTS entries)
            string(REGEX MATCH "[0-9]+" format "${entry}")
            list(APPEND formats ${format})
        endforeach()
    endforeach()
    set(${out} ${formats} PARENT_SCOPE)
endfunction()

# Writes <name>.manifest and a one-line .rc that embeds it as RT_MANIFEST 1; returns the .rc path.
# with_com: ON lists every component, OFF none, a DLL's file name only that component.
function(pictrove_manifest name with_com out_rc)
    set(MANIFEST_NAME ${name})
    set(MANIFEST_COM_FILES "")
    if(with_com MATCHES "\\.dll$")
        get_property(MANIFEST_COM_FILES GLOBAL PROPERTY PICTROVE_COM_FILE_${with_com})
    elseif(with_com)
        get_property(MANIFEST_COM_FILES GLOBAL PROPERTY PICTROVE_COM_FILES)
    endif()
    set(manifest ${CMAKE_BINARY_DIR}/manifests/${name}.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/Pictrove.manifest.in ${manifest} @ONLY)
    set(rc ${CMAKE_BINARY_DIR}/manifests/${name}.manifest.rc)
    # The hash makes the .rc change whenever the manifest does; otherwise windres never reruns
    # and a program keeps the manifest of its first build (missing components added later).
    file(MD5 ${manifest} manifest_hash)
    file(WRITE ${rc}.tmp "// manifest ${manifest_hash}\n1 24 \"${manifest}\"\n")
    configure_file(${rc}.tmp ${rc} COPYONLY)
    set(${out_rc} ${rc} PARENT_SCOPE)
endfunction()

# The extensions the installer offers Windows' "Open with" for: those of the program's format
# table (table_source, rows "{N, {L".a", L".b"}}") whose format a reader class serves. Names with
# a second dot (story.fb2.zip) are left out: Windows would take them for the last part alone.
# Written one a line to <build>/packaging/open-with-extensions.txt.
function(pictrove_open_with_extensions table_source)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table_source})
    file(STRINGS ${table_source} rows REGEX "^ *\\{[0-9]+, \\{L\"")
    set(extensions "")
    foreach(row IN LISTS rows)
        string(REGEX MATCH "^ *\\{([0-9]+)," unused "${row}")
        if(NOT CMAKE_MATCH_1 IN_LIST ARGN)
            continue()
        endif()
        string(REGEX MATCHALL "L\"\\.[A-Za-z0-9.]+\"" quoted "${row}")
        foreach(item IN LISTS quoted)
            string(REGEX REPLACE "^L\"(.*)\"$" "\\1" extension "${item}")
            string(REGEX MATCHALL "\\." dots "${extension}")
            list(LENGTH dots dot_count)
            if(dot_count EQUAL 1)
                string(APPEND extensions "${extension}\n")
            endif()
        endforeach()
    endforeach()
    if(NOT extensions)
        message(FATAL_ERROR "${table_source}: no extension of a served format found")
    endif()
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/packaging/open-with-extensions.txt CONTENT "${extensions}" @ONLY)
endfunction()
