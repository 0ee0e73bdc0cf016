# Windows build (cross-compiled): the product LineTalk.exe, the Windows tests and
# the benchmarks, all with the static runtime so they run on a bare Windows or Wine.
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0500 NOMINMAX)
set(LT_STATIC -static -static-libgcc -static-libstdc++)
# A 32-bit program gets the whole 4 GiB of address space on 64-bit Windows
# (and under Wine) only when it says it copes with addresses past 2 GiB.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND LT_STATIC -Wl,--large-address-aware)
endif()
set(LT_SYSLIBS comctl32 comdlg32 shell32 ole32 gdi32 user32 advapi32 kernel32)

# Resources: res/resources.cmake names the script and what it is built from.
include(${CMAKE_SOURCE_DIR}/res/resources.cmake)

# One library per folder. Arrows point one way (LT_DEPS_* in sources.cmake), so
# a program links the libraries it needs top floor first and each library
# finds what it uses in the ones after it.
set(LT_LINKED_FOLDERS "")
foreach(folder IN LISTS LT_FOLDERS)
    if(LT_SOURCES_${folder})
        add_library(lt_${folder} STATIC ${LT_SOURCES_${folder}})
        target_include_directories(lt_${folder} PUBLIC ${CMAKE_SOURCE_DIR})
        target_compile_options(lt_${folder} PRIVATE ${LT_WARNINGS})
        list(APPEND LT_LINKED_FOLDERS ${folder})
    endif()
endforeach()

# lt_link(target folder...): links the named folders' libraries in layer order.
function(lt_link target)
    set(files "")
    foreach(folder IN LISTS LT_LAYERS)
        if(folder IN_LIST ARGN AND folder IN_LIST LT_LINKED_FOLDERS)
            list(APPEND files $<TARGET_FILE:lt_${folder}>)
            add_dependencies(${target} lt_${folder})
        endif()
    endforeach()
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PRIVATE ${files} ${LT_SYSLIBS})
    target_link_options(${target} PRIVATE ${LT_STATIC})
endfunction()

# What a program of each folder links: the folder and what it stands on. The
# tests of the window classes also drive them under the application object's
# loop, so they link app/ (its frame and loop need no more than win/).
set(LT_LIBS_util util ${LT_DEPS_util})
set(LT_LIBS_comm comm ${LT_DEPS_comm})
set(LT_LIBS_win app win ${LT_DEPS_win})
set(LT_LIBS_terminal app terminal ${LT_DEPS_terminal})
set(LT_LIBS_app app ${LT_DEPS_app})

add_executable(LineTalk WIN32 ${LT_ENTRY} ${LT_RC})
target_compile_options(LineTalk PRIVATE ${LT_WARNINGS})
lt_link(LineTalk ${LT_LIBS_app})
target_link_options(LineTalk PRIVATE -mwindows)
lt_resource_deps(LineTalk)

# GoogleTest built from the system's sources with this compiler.
set(GT /usr/src/googletest/googletest)
if(EXISTS ${GT}/src/gtest-all.cc)
    add_library(gtest_win STATIC ${GT}/src/gtest-all.cc)
    target_include_directories(gtest_win PUBLIC ${GT}/include PRIVATE ${GT})

    file(GLOB LT_TEST_HELPERS CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/wine/helpers/*.cpp")
    add_library(lt_testhelpers STATIC ${LT_TEST_HELPERS})
    target_include_directories(lt_testhelpers PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    # GCC 12 for i686 reports a false free-nonheap-object on std::vector
    # buffers inlined into the tests' wait loops; it is not a real delete.
    # The tests themselves at -O1: they compile in far less time than at the
    # product's -O2, and what they drive (the product's code) is built as
    # shipped.
    set(LT_TEST_OPTIONS ${LT_WARNINGS} -Wno-free-nonheap-object -O1)
    target_compile_options(lt_testhelpers PRIVATE ${LT_TEST_OPTIONS})
    target_link_libraries(lt_testhelpers PUBLIC gtest_win)
    # windows.h and GoogleTest are most of what every test source parses:
    # parsed once into a precompiled header the test programs share (they
    # are compiled with the helpers' options for that). Not with a compiler
    # launcher such as ccache, which caches nothing built on a precompiled
    # header unless told to, nor with LT_PCH=OFF.
    set(LT_TEST_PCH OFF)
    if(NOT CMAKE_CXX_COMPILER_LAUNCHER AND NOT DEFINED ENV{CMAKE_CXX_COMPILER_LAUNCHER}
       AND NOT LT_PCH STREQUAL "OFF")
        set(LT_TEST_PCH ON)
        target_precompile_headers(lt_testhelpers PRIVATE <windows.h> <gtest/gtest.h>)
    endif()

    # One executable per test file, so that a crash or hang names its suite and
    # each suite starts from a fresh process.
    set(LT_TEST_RC ${CMAKE_SOURCE_DIR}/tests/wine/TestResources.rc)
    file(GLOB LT_WINE_TESTS CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/wine/test_*.cpp")
    foreach(t IN LISTS LT_WINE_TESTS)
        get_filename_component(name "${t}" NAME_WE)
        lt_folder_of_test("${t}" folder)
        add_executable(${name} ${t} ${LT_TEST_RC})
        target_compile_options(${name} PRIVATE ${LT_TEST_OPTIONS})
        if(LT_TEST_PCH)
            target_precompile_headers(${name} REUSE_FROM lt_testhelpers)
        endif()
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        # The helpers hold main(); whole-archive keeps it and the answerers.
        target_link_libraries(${name} PRIVATE -Wl,--whole-archive lt_testhelpers -Wl,--no-whole-archive gtest_win)
        lt_link(${name} ${LT_LIBS_${folder}})
        lt_resource_deps(${name})
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    endforeach()
endif()

file(GLOB LT_BENCHES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/bench/bench_*.cpp")
foreach(b IN LISTS LT_BENCHES)
    get_filename_component(name "${b}" NAME_WE)
    string(REGEX REPLACE "^bench_" "test_" probe "${name}")
    lt_folder_of_test("${probe}" folder)
    add_executable(${name} ${b} ${CMAKE_SOURCE_DIR}/tests/wine/TestResources.rc)
    target_compile_options(${name} PRIVATE ${LT_WARNINGS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    lt_link(${name} ${LT_LIBS_${folder}})
    lt_resource_deps(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endforeach()
