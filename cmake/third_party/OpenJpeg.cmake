# OpenJPEG (JPEG 2000) for the readers: for the Windows build, Debian's pinned upstream source
# is fetched and checked at configure time and built as a static library linked into the readers
# DLL; native builds of the core use Debian's libopenjp2-7-dev, the same upstream release.
# Defines the target pictrove_openjpeg.
if(TARGET pictrove_openjpeg)
    return()
endif()

set(PICTROVE_OPENJPEG_VERSION "2.5.0-2+deb12u3")
set(PICTROVE_OPENJPEG_SHA256 "007e19d772c8b6b22e35379630b06ff3549e49ba719d96453607a36ad7b4de73")
set(_pictrove_repo ${CMAKE_CURRENT_LIST_DIR}/../..)

if(NOT CMAKE_CROSSCOMPILING)
    find_path(PICTROVE_OPENJPEG_INCLUDE openjpeg.h PATH_SUFFIXES openjpeg-2.5 REQUIRED)
    find_library(PICTROVE_OPENJPEG_LIBRARY openjp2 REQUIRED)
    add_library(pictrove_openjpeg INTERFACE)
    target_include_directories(pictrove_openjpeg INTERFACE ${PICTROVE_OPENJPEG_INCLUDE})
    target_link_libraries(pictrove_openjpeg INTERFACE ${PICTROVE_OPENJPEG_LIBRARY})
    return()
endif()

include(ExternalProject)
set(_opj_src ${CMAKE_BINARY_DIR}/third_party/src/openjpeg2)
set(_opj_install ${CMAKE_BINARY_DIR}/third_party/install/openjpeg2)
execute_process(
    COMMAND ${_pictrove_repo}/scripts/fetch-debian-source.sh openjpeg2 ${PICTROVE_OPENJPEG_VERSION}
            ${PICTROVE_OPENJPEG_SHA256} ${_opj_src}
    RESULT_VARIABLE _opj_fetch)
if(NOT _opj_fetch EQUAL 0)
    message(FATAL_ERROR "openjpeg2 ${PICTROVE_OPENJPEG_VERSION}: the source could not be fetched")
endif()

ExternalProject_Add(openjpeg_build
    SOURCE_DIR ${_opj_src}
    BINARY_DIR ${CMAKE_BINARY_DIR}/third_party/build/openjpeg2
    INSTALL_DIR ${_opj_install}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX=${_opj_install}
        -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
        -DBUILD_SHARED_LIBS=OFF
        -DBUILD_STATIC_LIBS=ON
        -DBUILD_CODEC=OFF
        -DBUILD_TESTING=OFF
        -DBUILD_DOC=OFF
        -DBUILD_THIRDPARTY=OFF
    BUILD_BYPRODUCTS ${_opj_install}/lib/libopenjp2.a
    UPDATE_COMMAND ""
    USES_TERMINAL_BUILD OFF)

file(MAKE_DIRECTORY ${_opj_install}/include/openjpeg-2.5)
add_library(pictrove_openjpeg STATIC IMPORTED GLOBAL)
set_target_properties(pictrove_openjpeg PROPERTIES
    IMPORTED_LOCATION ${_opj_install}/lib/libopenjp2.a
    INTERFACE_INCLUDE_DIRECTORIES ${_opj_install}/include/openjpeg-2.5
    INTERFACE_COMPILE_DEFINITIONS OPJ_STATIC)
add_dependencies(pictrove_openjpeg openjpeg_build)

# Its licence (BSD 2-clause) ships with the program.
configure_file(${_opj_src}/LICENSE ${CMAKE_BINARY_DIR}/bin/licences/openjpeg.txt COPYONLY)
