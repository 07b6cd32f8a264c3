# The native build: the readers' core, the extraction engine and the command line pictrove,
# with the system's libraries (Debian's -dev packages) and nothing of Windows.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Werror=return-type -Wno-missing-field-initializers)

# The Python module, from Debian's pybind11 (python3-pybind11, python3-dev), when it is there.
# Debian's own python3 first, whose dist-packages the package installs the module into.
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3)
endif()
find_package(Python3 COMPONENTS Interpreter Development.Module QUIET)
if(Python3_FOUND)
    find_package(pybind11 CONFIG QUIET)
endif()
if(pybind11_FOUND)
    option(PICTROVE_PYTHON "Build the Python module pictrove" ON)
else()
    option(PICTROVE_PYTHON "Build the Python module pictrove" OFF)
endif()
# The module is a shared object: everything it links in must be position independent.
if(PICTROVE_PYTHON)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()

add_subdirectory(components/readers/core)

file(GLOB pictrove_engine_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/engine/*.cpp ${PROJECT_SOURCE_DIR}/engine/*/*.cpp)
add_library(pictrove_engine STATIC ${pictrove_engine_sources})
target_include_directories(pictrove_engine PUBLIC ${PROJECT_SOURCE_DIR})
find_package(Threads REQUIRED)
# The picture writers: libdeflate and zlib for PNG, libjpeg-turbo for JPEG (the targets the
# readers' core defined above).
find_package(ZLIB REQUIRED)
target_link_libraries(pictrove_engine PUBLIC Threads::Threads pictrove_deflate pictrove_jpeg ZLIB::ZLIB)

# The English texts of the string table the Windows resources are built from.
set(pictrove_rc ${PROJECT_SOURCE_DIR}/resources/Pictrove.rc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pictrove_rc})
file(STRINGS ${pictrove_rc} pictrove_rc_strings REGEX "^    IDS_[A-Z0-9_]+ \".*\"$")
set(pictrove_english_rows "")
foreach(row IN LISTS pictrove_rc_strings)
    string(REGEX MATCH "^    (IDS_[A-Z0-9_]+) \"(.*)\"$" unused "${row}")
    string(REPLACE "\"\"" "\\\"" text "${CMAKE_MATCH_2}")
    string(APPEND pictrove_english_rows "    {\"${CMAKE_MATCH_1}\", L\"${text}\"},\n")
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cli/native/EnglishStrings.cpp.in ${CMAKE_BINARY_DIR}/generated/EnglishStrings.cpp @ONLY)

# The commands and the native platform, shared by the command line and the Python module.
add_library(pictrove_cli_native STATIC
    cli/CliCommands.cpp
    cli/CliOptions.cpp
    cli/CliWork.cpp
    cli/ReasonTexts.cpp
    cli/native/Console.cpp
    cli/native/CorePlatform.cpp
    cli/native/NativeFiles.cpp
    resources/TextFormat.cpp
    ${CMAKE_BINARY_DIR}/generated/EnglishStrings.cpp
)
target_link_libraries(pictrove_cli_native PUBLIC pictrove_engine pictrove_readers_core)

add_executable(pictrove cli/native/NativeMain.cpp)
target_link_libraries(pictrove PRIVATE pictrove_cli_native)
install(TARGETS pictrove RUNTIME DESTINATION bin)

if(PICTROVE_PYTHON)
    pybind11_add_module(pictrove_python python/PictroveModule.cpp)
    set_target_properties(pictrove_python PROPERTIES OUTPUT_NAME pictrove LIBRARY_OUTPUT_DIRECTORY
                                                                          ${CMAKE_BINARY_DIR}/python)
    target_link_libraries(pictrove_python PRIVATE pictrove_cli_native)
    # Debian's python3 finds modules here, whichever version the module was built for.
    install(TARGETS pictrove_python LIBRARY DESTINATION lib/python3/dist-packages)
endif()

include(cmake/NativePackage.cmake)

option(PICTROVE_TESTS "Build the native test programs" ON)
if(PICTROVE_TESTS)
    enable_testing()
    # googletest's own install rules stay out of the package.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

    # The tests' own document writers, for the corpus of one small document of every kind.
    add_library(pictrove_test_documents STATIC
        tests/readers/Jbig2TestStreams.cpp
        tests/readers/TestArchives.cpp
        tests/readers/TestCorpus.cpp
        tests/readers/TestDocumentFiles.cpp
        tests/readers/TestDocuments.cpp
        tests/readers/TestImageFiles.cpp
        tests/readers/TestJpeg.cpp
        tests/readers/TestJpx.cpp
        tests/readers/TestPdf.cpp
    )
    target_include_directories(pictrove_test_documents PUBLIC tests/readers)
    target_link_libraries(pictrove_test_documents PUBLIC pictrove_readers_core gtest)
    add_executable(pictrove_write_corpus tests/cli/WriteCorpus.cpp)
    target_link_libraries(pictrove_write_corpus PRIVATE pictrove_test_documents)

    # The engine's own tests run in scripts/test-engine-native.sh, with its file systems to fill.
    add_executable(pictrove_native_tests tests/cli/CliOptionsTests.cpp
                                         tests/cli/NativeCliTests.cpp)
    target_link_libraries(pictrove_native_tests PRIVATE pictrove_engine pictrove_test_documents gtest_main)
    target_compile_definitions(pictrove_native_tests PRIVATE
        PICTROVE_NATIVE_CLI="$<TARGET_FILE:pictrove>" PICTROVE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/readers/data")
    add_dependencies(pictrove_native_tests pictrove)
    # pictrove's own sources for the options it parses.
    target_sources(pictrove_native_tests PRIVATE cli/CliOptions.cpp)
    add_test(NAME native_tests COMMAND pictrove_native_tests)

    if(PICTROVE_PYTHON)
        add_test(NAME python_module
                 COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/python/PictroveModuleTests.py)
        set(pictrove_python_test_environment
            PYTHONPATH=${CMAKE_BINARY_DIR}/python
            PICTROVE_NATIVE_CLI=$<TARGET_FILE:pictrove>
            PICTROVE_WRITE_CORPUS=$<TARGET_FILE:pictrove_write_corpus>
            PICTROVE_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/readers/data)
        set_tests_properties(python_module PROPERTIES TIMEOUT 300 ENVIRONMENT "${pictrove_python_test_environment}")
    endif()
endif()
