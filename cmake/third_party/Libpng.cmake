# libpng for the readers' PNG pictures: for the Windows build, Debian's pinned upstream source
# (with Debian's patches: it reads hostile files) is fetched and checked at configure time and
# its library sources are compiled into a static library with the prebuilt configuration header,
# over the zlib the core already links; native builds of the core use Debian's libpng-dev, the
# same upstream release. Defines the target pictrove_png.
if(TARGET pictrove_png)
    return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
    find_package(PNG REQUIRED)
    add_library(pictrove_png INTERFACE)
    target_link_libraries(pictrove_png INTERFACE PNG::PNG)
    return()
endif()

set(PICTROVE_LIBPNG_VERSION "1.6.39-2+deb12u5")
set(PICTROVE_LIBPNG_SHA256 "a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

set(_png_src ${CMAKE_BINARY_DIR}/third_party/src/libpng)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh libpng1.6 ${PICTROVE_LIBPNG_VERSION}
            ${PICTROVE_LIBPNG_SHA256} ${_png_src} --debian-patches
    RESULT_VARIABLE _png_fetch)
if(NOT _png_fetch EQUAL 0)
    message(FATAL_ERROR "libpng ${PICTROVE_LIBPNG_VERSION}: the source could not be fetched")
endif()

set(_png_config ${CMAKE_BINARY_DIR}/third_party/config/libpng)
configure_file(${_png_src}/scripts/pnglibconf.h.prebuilt ${_png_config}/pnglibconf.h COPYONLY)
add_library(pictrove_png STATIC
    ${_png_src}/png.c
    ${_png_src}/pngerror.c
    ${_png_src}/pngget.c
    ${_png_src}/pngmem.c
    ${_png_src}/pngpread.c
    ${_png_src}/pngread.c
    ${_png_src}/pngrio.c
    ${_png_src}/pngrtran.c
    ${_png_src}/pngrutil.c
    ${_png_src}/pngset.c
    ${_png_src}/pngtrans.c
    ${_png_src}/pngwio.c
    ${_png_src}/pngwrite.c
    ${_png_src}/pngwtran.c
    ${_png_src}/pngwutil.c)
target_include_directories(pictrove_png PUBLIC ${_png_src} ${_png_config})
# Plain C paths on every processor: the same rows everywhere, no SIMD filter code to build.
target_compile_definitions(pictrove_png PRIVATE PNG_ARM_NEON_OPT=0 PNG_POWERPC_VSX_OPT=0 PNG_INTEL_SSE_OPT=0)
target_link_libraries(pictrove_png PUBLIC ZLIB::ZLIB)
# Upstream's own code: its warnings are not ours to fix.
target_compile_options(pictrove_png PRIVATE -w)

# Its licence (the PNG Reference Library licence, zlib-like) ships with the program.
configure_file(${_png_src}/LICENSE ${CMAKE_BINARY_DIR}/bin/licences/libpng.txt COPYONLY)
