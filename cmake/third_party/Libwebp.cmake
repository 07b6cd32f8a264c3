# libwebp for the readers' WebP pictures, still and animated: for the Windows build, Debian's
# pinned upstream source (with Debian's patches: it reads hostile files, and one of them closes a
# heap overflow of the lossless decoder) is fetched and checked at configure time, and its
# decoding and demuxing sources are compiled into a static library; native builds of the core use
# Debian's libwebp-dev, the same upstream release. Defines the target pictrove_webp.
if(TARGET pictrove_webp)
    return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
    find_path(PICTROVE_WEBP_INCLUDE webp/demux.h REQUIRED)
    find_library(PICTROVE_WEBP_LIBRARY webp REQUIRED)
    find_library(PICTROVE_WEBPDEMUX_LIBRARY webpdemux REQUIRED)
    add_library(pictrove_webp INTERFACE)
    target_include_directories(pictrove_webp INTERFACE ${PICTROVE_WEBP_INCLUDE})
    target_link_libraries(pictrove_webp INTERFACE ${PICTROVE_WEBPDEMUX_LIBRARY} ${PICTROVE_WEBP_LIBRARY})
    return()
endif()

set(PICTROVE_LIBWEBP_VERSION "1.2.4-0.2+deb12u1")
set(PICTROVE_LIBWEBP_SHA256 "7bf5a8a28cc69bcfa8cb214f2c3095703c6b73ac5fba4d5480c205331d9494df")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

set(_webp_src ${CMAKE_BINARY_DIR}/third_party/src/libwebp)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh libwebp ${PICTROVE_LIBWEBP_VERSION}
            ${PICTROVE_LIBWEBP_SHA256} ${_webp_src} --debian-patches
    RESULT_VARIABLE _webp_fetch)
if(NOT _webp_fetch EQUAL 0)
    message(FATAL_ERROR "libwebp ${PICTROVE_LIBWEBP_VERSION}: the source could not be fetched")
endif()

# Decoding only (upstream's libwebpdecoder sources) and the demuxer with its animation decoder:
# the readers never write WebP. The SSE4.1 variants are chosen at run time by the CPU check, so
# only their own files are built for SSE4.1.
set(_webp_sse41
    ${_webp_src}/src/dsp/alpha_processing_sse41.c
    ${_webp_src}/src/dsp/dec_sse41.c
    ${_webp_src}/src/dsp/lossless_sse41.c
    ${_webp_src}/src/dsp/upsampling_sse41.c
    ${_webp_src}/src/dsp/yuv_sse41.c)
add_library(pictrove_webp STATIC
    ${_webp_src}/src/dec/alpha_dec.c
    ${_webp_src}/src/dec/buffer_dec.c
    ${_webp_src}/src/dec/frame_dec.c
    ${_webp_src}/src/dec/idec_dec.c
    ${_webp_src}/src/dec/io_dec.c
    ${_webp_src}/src/dec/quant_dec.c
    ${_webp_src}/src/dec/tree_dec.c
    ${_webp_src}/src/dec/vp8_dec.c
    ${_webp_src}/src/dec/vp8l_dec.c
    ${_webp_src}/src/dec/webp_dec.c
    ${_webp_src}/src/demux/anim_decode.c
    ${_webp_src}/src/demux/demux.c
    ${_webp_src}/src/dsp/alpha_processing.c
    ${_webp_src}/src/dsp/alpha_processing_sse2.c
    ${_webp_src}/src/dsp/cpu.c
    ${_webp_src}/src/dsp/dec.c
    ${_webp_src}/src/dsp/dec_clip_tables.c
    ${_webp_src}/src/dsp/dec_sse2.c
    ${_webp_src}/src/dsp/filters.c
    ${_webp_src}/src/dsp/filters_sse2.c
    ${_webp_src}/src/dsp/lossless.c
    ${_webp_src}/src/dsp/lossless_sse2.c
    ${_webp_src}/src/dsp/rescaler.c
    ${_webp_src}/src/dsp/rescaler_sse2.c
    ${_webp_src}/src/dsp/upsampling.c
    ${_webp_src}/src/dsp/upsampling_sse2.c
    ${_webp_src}/src/dsp/yuv.c
    ${_webp_src}/src/dsp/yuv_sse2.c
    ${_webp_sse41}
    ${_webp_src}/src/utils/bit_reader_utils.c
    ${_webp_src}/src/utils/color_cache_utils.c
    ${_webp_src}/src/utils/filters_utils.c
    ${_webp_src}/src/utils/huffman_utils.c
    ${_webp_src}/src/utils/quant_levels_dec_utils.c
    ${_webp_src}/src/utils/random_utils.c
    ${_webp_src}/src/utils/rescaler_utils.c
    ${_webp_src}/src/utils/thread_utils.c
    ${_webp_src}/src/utils/utils.c)
set_source_files_properties(${_webp_sse41} PROPERTIES COMPILE_OPTIONS -msse4.1)
# The public headers as <webp/decode.h>, upstream's own includes from the tree's top.
target_include_directories(pictrove_webp PUBLIC ${_webp_src}/src PRIVATE ${_webp_src})
# Upstream's own code: its warnings are not ours to fix.
target_compile_options(pictrove_webp PRIVATE -w)

# Its licence (BSD) and Google's patent grant ship with the program.
file(READ ${_webp_src}/COPYING _webp_licence)
file(READ ${_webp_src}/PATENTS _webp_patents)
file(WRITE ${CMAKE_BINARY_DIR}/bin/licences/libwebp.txt "${_webp_licence}\n\n${_webp_patents}")
