# libjpeg-turbo for the readers: for the Windows build, Debian's pinned upstream source is
# fetched and checked at configure time, built as a static library with its SIMD code (nasm) and
# linked into the readers DLL; native builds of the core use Debian's libjpeg62-turbo-dev, the
# same upstream release. Defines the target pictrove_jpeg.
if(TARGET pictrove_jpeg)
    return()
endif()

set(PICTROVE_LIBJPEG_VERSION "1:2.1.5-2")
set(PICTROVE_LIBJPEG_SHA256 "254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

if(NOT CMAKE_CROSSCOMPILING)
    find_package(JPEG REQUIRED)
    add_library(pictrove_jpeg INTERFACE)
    target_link_libraries(pictrove_jpeg INTERFACE JPEG::JPEG)
    return()
endif()

include(ExternalProject)
set(_jpeg_src ${CMAKE_BINARY_DIR}/third_party/src/libjpeg-turbo)
set(_jpeg_install ${CMAKE_BINARY_DIR}/third_party/install/libjpeg-turbo)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh libjpeg-turbo ${PICTROVE_LIBJPEG_VERSION}
            ${PICTROVE_LIBJPEG_SHA256} ${_jpeg_src}
    RESULT_VARIABLE _jpeg_fetch)
if(NOT _jpeg_fetch EQUAL 0)
    message(FATAL_ERROR "libjpeg-turbo ${PICTROVE_LIBJPEG_VERSION}: the source could not be fetched")
endif()

ExternalProject_Add(libjpeg_turbo_build
    SOURCE_DIR ${_jpeg_src}
    BINARY_DIR ${CMAKE_BINARY_DIR}/third_party/build/libjpeg-turbo
    INSTALL_DIR ${_jpeg_install}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX=${_jpeg_install}
        -DCMAKE_INSTALL_LIBDIR=${_jpeg_install}/lib
        -DCMAKE_INSTALL_INCLUDEDIR=${_jpeg_install}/include
        -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
        -DENABLE_SHARED=OFF
        -DENABLE_STATIC=ON
        -DWITH_TURBOJPEG=OFF
        -DWITH_JAVA=OFF
        -DWITH_ARITH_DEC=ON
        -DWITH_ARITH_ENC=ON
        -DWITH_SIMD=ON
        -DREQUIRE_SIMD=ON
    BUILD_BYPRODUCTS ${_jpeg_install}/lib/libjpeg.a
    UPDATE_COMMAND ""
    USES_TERMINAL_BUILD OFF)

file(MAKE_DIRECTORY ${_jpeg_install}/include)
add_library(pictrove_jpeg STATIC IMPORTED GLOBAL)
set_target_properties(pictrove_jpeg PROPERTIES
    IMPORTED_LOCATION ${_jpeg_install}/lib/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${_jpeg_install}/include)
add_dependencies(pictrove_jpeg libjpeg_turbo_build)

# Its licence (BSD-style and IJG) ships with the program.
file(READ ${_jpeg_src}/LICENSE.md _jpeg_licence)
file(READ ${_jpeg_src}/README.ijg _jpeg_ijg)
file(WRITE ${CMAKE_BINARY_DIR}/bin/licences/libjpeg-turbo.txt "${_jpeg_licence}\n\n${_jpeg_ijg}")
