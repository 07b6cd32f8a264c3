# liblzma (XZ Utils, public domain) for the Windows build: the LZMA and LZMA2 decoders behind 7z
# archives. Debian ships no MinGW build of it, so Debian's pinned upstream source is fetched,
# checked, patched with Debian's series of that version and built as a static library; only the
# library target is built (not the xz tools).
# Native builds use Debian's liblzma-dev through libarchive. Defines the target pictrove_lzma.
if(TARGET pictrove_lzma)
    return()
endif()

set(PICTROVE_LZMA_VERSION "5.4.1-1+deb12u2")
set(PICTROVE_LZMA_SHA256 "5d9827aa1875b21c288f78864bb26d2650b436ea8d2cad364e4921eb6266a5a5")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

include(ExternalProject)
set(_lzma_src ${CMAKE_BINARY_DIR}/third_party/src/xz-utils)
set(_lzma_build ${CMAKE_BINARY_DIR}/third_party/build/xz-utils)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh xz-utils ${PICTROVE_LZMA_VERSION} ${PICTROVE_LZMA_SHA256}
            ${_lzma_src} --debian-patches
    RESULT_VARIABLE _lzma_fetch)
if(NOT _lzma_fetch EQUAL 0)
    message(FATAL_ERROR "xz-utils ${PICTROVE_LZMA_VERSION}: the source could not be fetched")
endif()

ExternalProject_Add(liblzma_build
    SOURCE_DIR ${_lzma_src}
    BINARY_DIR ${_lzma_build}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
        -DBUILD_SHARED_LIBS=OFF
        -DENABLE_NLS=OFF
    # The library alone: the command-line tools are not needed and not shipped.
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${_lzma_build} --target liblzma
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${_lzma_build}/liblzma.a
    UPDATE_COMMAND ""
    # The source tree is replaced when the pinned version changes; its own build tells what to redo.
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD OFF)

add_library(pictrove_lzma STATIC IMPORTED GLOBAL)
set_target_properties(pictrove_lzma PROPERTIES
    IMPORTED_LOCATION ${_lzma_build}/liblzma.a
    INTERFACE_INCLUDE_DIRECTORIES ${_lzma_src}/src/liblzma/api
    INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)
add_dependencies(pictrove_lzma liblzma_build)
set(PICTROVE_LZMA_LIBRARY ${_lzma_build}/liblzma.a)
set(PICTROVE_LZMA_INCLUDE ${_lzma_src}/src/liblzma/api)

file(READ ${_lzma_src}/COPYING _lzma_licence)
file(WRITE ${CMAKE_BINARY_DIR}/bin/licences/xz-utils.txt "${_lzma_licence}")
