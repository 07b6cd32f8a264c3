# libdeflate (MIT): whole-buffer deflate and inflate at about twice zlib's speed, for the PNG
# files we write (smaller files on drawings, too) and the PDF streams the readers inflate. For
# the Windows build Debian's pinned upstream source is fetched and checked at configure time and
# its library sources are compiled into a static library; native builds of the readers' core use
# Debian's libdeflate-dev, the same release. Defines the target pictrove_deflate.
if(TARGET pictrove_deflate)
    return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
    find_path(PICTROVE_LIBDEFLATE_INCLUDE libdeflate.h REQUIRED)
    find_library(PICTROVE_LIBDEFLATE_LIBRARY deflate REQUIRED)
    add_library(pictrove_deflate INTERFACE)
    target_include_directories(pictrove_deflate INTERFACE ${PICTROVE_LIBDEFLATE_INCLUDE})
    target_link_libraries(pictrove_deflate INTERFACE ${PICTROVE_LIBDEFLATE_LIBRARY})
    return()
endif()

set(PICTROVE_LIBDEFLATE_VERSION "1.14-1")
set(PICTROVE_LIBDEFLATE_SHA256 "89e7df898c37c3427b0f39aadcf733731321a278771d20fc553f92da8d4808ac")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

set(_deflate_src ${CMAKE_BINARY_DIR}/third_party/src/libdeflate)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh libdeflate ${PICTROVE_LIBDEFLATE_VERSION}
            ${PICTROVE_LIBDEFLATE_SHA256} ${_deflate_src}
    RESULT_VARIABLE _deflate_fetch)
if(NOT _deflate_fetch EQUAL 0)
    message(FATAL_ERROR "libdeflate ${PICTROVE_LIBDEFLATE_VERSION}: the source could not be fetched")
endif()

add_library(pictrove_deflate STATIC
    ${_deflate_src}/lib/deflate_compress.c
    ${_deflate_src}/lib/deflate_decompress.c
    ${_deflate_src}/lib/zlib_compress.c
    ${_deflate_src}/lib/zlib_decompress.c
    ${_deflate_src}/lib/adler32.c
    ${_deflate_src}/lib/crc32.c
    ${_deflate_src}/lib/utils.c
    ${_deflate_src}/lib/x86/cpu_features.c
    ${_deflate_src}/lib/arm/cpu_features.c)
target_include_directories(pictrove_deflate PUBLIC ${_deflate_src})
# Upstream's own code: its warnings are not ours to fix.
target_compile_options(pictrove_deflate PRIVATE -w)

configure_file(${_deflate_src}/COPYING ${CMAKE_BINARY_DIR}/bin/licences/libdeflate.txt COPYONLY)
