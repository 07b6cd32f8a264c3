# libarchive (BSD licence) for the comic reader: RAR 4, RAR 5, 7z and tar archives. For the
# Windows build, Debian's pinned upstream source is fetched, checked, patched with Debian's
# series of that version (its security fixes to the RAR and tar readers) and built as a static
# library with zlib (Debian's MinGW build) and liblzma (Liblzma.cmake) and nothing else: no
# crypto, XML, ACL, iconv or command-line tools. Native builds of the core use Debian's
# libarchive-dev, the same upstream release. Defines the target pictrove_archive.
if(TARGET pictrove_archive)
    return()
endif()

set(PICTROVE_LIBARCHIVE_VERSION "3.6.2-1+deb12u5")
set(PICTROVE_LIBARCHIVE_SHA256 "9e2c1b80d5fbe59b61308fdfab6c79b5021d7ff4ff2489fb12daf0a96a83551d")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

if(NOT CMAKE_CROSSCOMPILING)
    find_package(LibArchive REQUIRED)
    add_library(pictrove_archive INTERFACE)
    target_link_libraries(pictrove_archive INTERFACE LibArchive::LibArchive)
    return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Liblzma.cmake)
find_package(ZLIB REQUIRED)
include(ExternalProject)
set(_archive_src ${CMAKE_BINARY_DIR}/third_party/src/libarchive)
set(_archive_build ${CMAKE_BINARY_DIR}/third_party/build/libarchive)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh libarchive ${PICTROVE_LIBARCHIVE_VERSION}
            ${PICTROVE_LIBARCHIVE_SHA256} ${_archive_src} --debian-patches
    RESULT_VARIABLE _archive_fetch)
if(NOT _archive_fetch EQUAL 0)
    message(FATAL_ERROR "libarchive ${PICTROVE_LIBARCHIVE_VERSION}: the source could not be fetched")
endif()

ExternalProject_Add(libarchive_build
    SOURCE_DIR ${_archive_src}
    BINARY_DIR ${_archive_build}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
        -DENABLE_ZLIB=ON
        # The static zlib, found as the readers' own is: with the import library libarchive
        # would call zlib as a DLL.
        -DZLIB_INCLUDE_DIR=${ZLIB_INCLUDE_DIRS}
        -DZLIB_LIBRARY_RELEASE=${ZLIB_LIBRARIES}
        -DENABLE_LZMA=ON
        -DLIBLZMA_INCLUDE_DIR=${PICTROVE_LZMA_INCLUDE}
        -DLIBLZMA_LIBRARY=${PICTROVE_LZMA_LIBRARY}
        -DENABLE_MBEDTLS=OFF
        -DENABLE_NETTLE=OFF
        -DENABLE_OPENSSL=OFF
        -DENABLE_CNG=OFF
        -DENABLE_LIBB2=OFF
        -DENABLE_LZ4=OFF
        -DENABLE_LZO=OFF
        -DENABLE_ZSTD=OFF
        -DENABLE_BZip2=OFF
        -DENABLE_LIBXML2=OFF
        -DENABLE_EXPAT=OFF
        -DENABLE_PCREPOSIX=OFF
        -DENABLE_LIBGCC=OFF
        -DPOSIX_REGEX_LIB=NONE
        -DENABLE_XATTR=OFF
        -DENABLE_ACL=OFF
        -DENABLE_ICONV=OFF
        -DENABLE_TAR=OFF
        -DENABLE_CPIO=OFF
        -DENABLE_CAT=OFF
        -DENABLE_TEST=OFF
        -DENABLE_INSTALL=OFF
        -DENABLE_WERROR=OFF
    # The static library alone.
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${_archive_build} --target archive_static
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${_archive_build}/libarchive/libarchive_static.a
    UPDATE_COMMAND ""
    # The source tree is replaced when the pinned version changes; its own build tells what to redo.
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD OFF)
add_dependencies(libarchive_build liblzma_build)

add_library(pictrove_archive STATIC IMPORTED GLOBAL)
set_target_properties(pictrove_archive PROPERTIES
    IMPORTED_LOCATION ${_archive_build}/libarchive/libarchive_static.a
    INTERFACE_INCLUDE_DIRECTORIES ${_archive_src}/libarchive
    # archive.h declares its functions as DLL imports unless told the library is static.
    INTERFACE_COMPILE_DEFINITIONS LIBARCHIVE_STATIC
    INTERFACE_LINK_LIBRARIES "pictrove_lzma;ZLIB::ZLIB")
add_dependencies(pictrove_archive libarchive_build)

file(READ ${_archive_src}/COPYING _archive_licence)
file(WRITE ${CMAKE_BINARY_DIR}/bin/licences/libarchive.txt "${_archive_licence}")
