# qv_add_library(NAME DEPS <targets...>): a static library from every source below the calling folder.
# Sources are globbed so that adding a file needs no edit here.
function(qv_add_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    if(srcs)
        add_library(${name} STATIC ${srcs})
        target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
        qv_autogen_follows_sources(${name} "${srcs}")
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# qv_add_test_folder(NAME DEPS <targets...>): one GoogleTest executable from every *.cpp in the calling
# folder, its cases registered one by one with ctest.
function(qv_add_test_folder name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT srcs)
        return()
    endif()
    add_executable(${name} ${srcs})
    qv_autogen_follows_sources(${name} "${srcs}")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE qvtestsupport ${ARG_DEPS})
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QV_SOURCE_DIR=${CMAKE_SOURCE_DIR};QV_BUILD_DIR=${CMAKE_BINARY_DIR}"
                   TIMEOUT 300)
endfunction()

# When a glob picks up a new file, the re-run of CMake sees a changed source list and removes the target's
# moc/uic timestamp, so they run again; otherwise an existing build tree can miss the moc output of a header
# added later.
function(qv_autogen_follows_sources target srcs)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
    set(old "")
    if(EXISTS ${list_file})
        file(READ ${list_file} old)
    endif()
    if(NOT old STREQUAL "${srcs}")
        file(WRITE ${list_file} "${srcs}")
        file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
    endif()
endfunction()
