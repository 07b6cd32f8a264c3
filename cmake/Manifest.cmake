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
endfunction()

# Writes <name>.manifest and a one-line .rc that embeds it as RT_MANIFEST 1; returns the .rc path.
function(pictrove_manifest name with_com out_rc)
    set(MANIFEST_NAME ${name})
    set(MANIFEST_COM_FILES "")
    if(with_com)
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
