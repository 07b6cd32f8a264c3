# Little CMS for the readers' colour management: for the Windows build, Debian's pinned upstream
# source is fetched and checked at configure time and its library sources (src/, not the plugins)
# are compiled into a static library linked into the readers DLL; native builds of the core use
# Debian's liblcms2-dev, the same upstream release. Defines the target pictrove_lcms2.
if(TARGET pictrove_lcms2)
    return()
endif()

set(PICTROVE_LCMS2_VERSION "2.14-2+deb12u1")
set(PICTROVE_LCMS2_SHA256 "28474ea6f6591c4d4cee972123587001a4e6e353412a41b3e9e82219818d5740")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

if(NOT CMAKE_CROSSCOMPILING)
    find_path(PICTROVE_LCMS2_INCLUDE lcms2.h REQUIRED)
    find_library(PICTROVE_LCMS2_LIBRARY lcms2 REQUIRED)
    add_library(pictrove_lcms2 INTERFACE)
    target_include_directories(pictrove_lcms2 INTERFACE ${PICTROVE_LCMS2_INCLUDE})
    target_link_libraries(pictrove_lcms2 INTERFACE ${PICTROVE_LCMS2_LIBRARY})
    return()
endif()

set(_lcms_src ${CMAKE_BINARY_DIR}/third_party/src/lcms2)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh lcms2 ${PICTROVE_LCMS2_VERSION} ${PICTROVE_LCMS2_SHA256}
            ${_lcms_src}
    RESULT_VARIABLE _lcms_fetch)
if(NOT _lcms_fetch EQUAL 0)
    message(FATAL_ERROR "lcms2 ${PICTROVE_LCMS2_VERSION}: the source could not be fetched")
endif()

file(GLOB _lcms_sources ${_lcms_src}/src/*.c)
add_library(pictrove_lcms2 STATIC ${_lcms_sources})
target_include_directories(pictrove_lcms2 PUBLIC ${_lcms_src}/include)
target_compile_definitions(pictrove_lcms2 PUBLIC CMS_NO_REGISTER_KEYWORD)
# Upstream's own code: its warnings are not ours to fix.
target_compile_options(pictrove_lcms2 PRIVATE -w)

# Its licence (MIT) ships with the program.
configure_file(${_lcms_src}/COPYING ${CMAKE_BINARY_DIR}/bin/licences/lcms2.txt COPYONLY)
