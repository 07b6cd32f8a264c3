# giflib for the readers' GIF pictures: for the Windows build, Debian's pinned upstream source
# (with Debian's patches: it reads hostile files) is fetched and checked at configure time and
# its decoding sources are compiled into a static library; native builds of the core use
# Debian's libgif-dev, the same upstream release. Defines the target pictrove_gif.
if(TARGET pictrove_gif)
    return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
    find_path(PICTROVE_GIFLIB_INCLUDE gif_lib.h REQUIRED)
    find_library(PICTROVE_GIFLIB_LIBRARY gif REQUIRED)
    add_library(pictrove_gif INTERFACE)
    target_include_directories(pictrove_gif INTERFACE ${PICTROVE_GIFLIB_INCLUDE})
    target_link_libraries(pictrove_gif INTERFACE ${PICTROVE_GIFLIB_LIBRARY})
    return()
endif()

set(PICTROVE_GIFLIB_VERSION "5.2.1-2.5+deb12u1")
set(PICTROVE_GIFLIB_SHA256 "31da5562f44c5f15d63340a09a4fd62b48c45620cd302f77a6d9acf0077879bd")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

set(_gif_src ${CMAKE_BINARY_DIR}/third_party/src/giflib)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh giflib ${PICTROVE_GIFLIB_VERSION}
            ${PICTROVE_GIFLIB_SHA256} ${_gif_src} --debian-patches
    RESULT_VARIABLE _gif_fetch)
if(NOT _gif_fetch EQUAL 0)
    message(FATAL_ERROR "giflib ${PICTROVE_GIFLIB_VERSION}: the source could not be fetched")
endif()

# Decoding only: the readers never write GIF through it.
add_library(pictrove_gif STATIC
    ${_gif_src}/dgif_lib.c
    ${_gif_src}/gif_err.c
    ${_gif_src}/gifalloc.c
    ${_gif_src}/openbsd-reallocarray.c)
target_include_directories(pictrove_gif PUBLIC ${_gif_src})
# Upstream's own code: its warnings are not ours to fix.
target_compile_options(pictrove_gif PRIVATE -w)

# Its licence (MIT) ships with the program.
configure_file(${_gif_src}/COPYING ${CMAKE_BINARY_DIR}/bin/licences/giflib.txt COPYONLY)
