# The Debian package of the native build: pictrove in /usr/bin, its manual page, the Python
# module for Debian's python3 and the copyright file with the licences of what they link.
# Its Depends come from the shared libraries (dpkg-shlibdeps). Made by scripts/package-native.sh.
find_program(PICTROVE_GZIP gzip REQUIRED)
set(pictrove_man_page ${CMAKE_BINARY_DIR}/package/pictrove.1.gz)
# -n: no name or time stamp inside, so the same page gives the same bytes.
add_custom_command(OUTPUT ${pictrove_man_page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND ${PICTROVE_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/packaging/linux/pictrove.1 > ${pictrove_man_page}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/linux/pictrove.1
    VERBATIM)

set(PICTROVE_PACKAGE_MAINTAINER "Pictrove maintainers <maintainers@pictrove.invalid>"
    CACHE STRING "The Maintainer of the Debian package")
# The changelog Debian wants of a native package; dated now, or at SOURCE_DATE_EPOCH when set.
string(TIMESTAMP pictrove_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
set(pictrove_changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_command(OUTPUT ${pictrove_changelog}
    COMMAND ${PICTROVE_GZIP} -9n -c ${CMAKE_BINARY_DIR}/package/changelog > ${pictrove_changelog}
    DEPENDS ${CMAKE_BINARY_DIR}/package/changelog
    VERBATIM)

set(pictrove_copyright ${CMAKE_BINARY_DIR}/package/copyright)
set(pictrove_linked $<TARGET_FILE:pictrove>)
set(pictrove_header_packages "")
if(PICTROVE_PYTHON)
    list(APPEND pictrove_linked $<TARGET_FILE:pictrove_python>)
    set(pictrove_header_packages -- pybind11-dev)
endif()
add_custom_command(OUTPUT ${pictrove_copyright}
    COMMAND ${PROJECT_SOURCE_DIR}/packaging/linux/write-copyright.sh ${pictrove_copyright} ${PROJECT_VERSION}
            ${pictrove_linked} ${pictrove_header_packages}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/linux/write-copyright.sh ${pictrove_linked}
    VERBATIM)
add_custom_target(pictrove_package_files ALL DEPENDS ${pictrove_man_page} ${pictrove_copyright} ${pictrove_changelog})

install(FILES ${pictrove_man_page} DESTINATION share/man/man1)
install(FILES ${pictrove_copyright} ${pictrove_changelog} DESTINATION share/doc/pictrove)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictrove)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${PICTROVE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list and extract the pictures of documents")
set(CPACK_PACKAGE_DESCRIPTION
    "pictrove lists the pictures of documents (PDF, DjVu, EPUB, XPS, FB2, MOBI,
Word 97-2003, TIFF, comic archives and picture files) and writes them as BMP,
GIF, JPEG or PNG files, or as the document stores them. The Python module
pictrove does the same from Python.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
if(PICTROVE_PYTHON)
    math(EXPR pictrove_next_minor "${Python3_VERSION_MINOR} + 1")
    # The module is built for one Python version, which the package then recommends; it does not
    # link libpython, so dpkg-shlibdeps cannot see it.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
        "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${pictrove_next_minor})")
endif()
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)
