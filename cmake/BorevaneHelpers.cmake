# Shared helpers for the project's CMake files.

# Google Test: Debian's packaged library on the host; built from Debian's
# sources for a cross build, where no packaged Windows library exists.
if(BV_BUILD_TESTS)
    if(CMAKE_CROSSCOMPILING)
        set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        # Newer GoogleTest sources define the namespaced targets themselves.
        foreach(lib gtest gtest_main gmock)
            if(NOT TARGET GTest::${lib})
                add_library(GTest::${lib} ALIAS ${lib})
            endif()
        endforeach()
    else()
        find_package(GTest REQUIRED)
    endif()
    include(GoogleTest)
endif()

# bv_add_test(NAME name LABEL label [APP core|widgets] SOURCES ... LIBS ...)
# One GoogleTest program on the one test main (tests/support), which gives every test a home of
# its own; APP adds the QCoreApplication or the QApplication the program needs. Every test case
# becomes a CTest test carrying the label.
function(bv_add_test)
    cmake_parse_arguments(T "" "NAME;LABEL;APP" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    if(T_APP)
        set(main bv_test_main_${T_APP})
    else()
        set(main bv_test_main)
    endif()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${main} GTest::gtest GTest::gmock)
    if(CMAKE_CROSSCOMPILING)
        # Discovery runs under the emulator at test time, not at build time. Every test of the
        # cross build runs on the Windows platform, whatever its group on the host.
        gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                             PROPERTIES LABELS "windows" TIMEOUT 300)
    else()
        gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${T_LABEL}" TIMEOUT 300)
    endif()
endfunction()

# bv_add_layer(NAME target UNITS unit... [HEADERS header...] LIBS lib...)
# One folder's static library: each unit is a .cpp/.h pair of the folder, headers are header-only
# pieces. Sources are listed, never globbed, so a unit missing from the list or from the folder
# stops configure instead of silently dropping code.
function(bv_add_layer)
    cmake_parse_arguments(L "" "NAME" "UNITS;HEADERS;LIBS" ${ARGN})
    set(sources)
    foreach(unit ${L_UNITS})
        list(APPEND sources ${unit}.cpp ${unit}.h)
    endforeach()
    add_library(${L_NAME} STATIC ${sources} ${L_HEADERS})
    target_include_directories(${L_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${L_NAME} PUBLIC ${L_LIBS})
endfunction()
