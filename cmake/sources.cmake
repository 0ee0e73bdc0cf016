# Collects the program's sources and sorts out the platform-free ones: a source
# is platform-free when neither it nor any project header it includes (followed
# transitively) includes a Windows header. Those build and are tested natively.
set(LT_FOLDERS comm util win app terminal)
set(LT_WINDOWS_HEADERS "windows|winbase|windef|winuser|wingdi|commctrl|commdlg|richedit|process|shellapi|mmsystem|winreg|winnt|objbase")

function(lt_needs_windows file result)
    get_property(known GLOBAL PROPERTY "LT_NEEDS_${file}" SET)
    if(known)
        get_property(v GLOBAL PROPERTY "LT_NEEDS_${file}")
        set(${result} ${v} PARENT_SCOPE)
        return()
    endif()
    # Assume false while visiting, so include cycles terminate.
    set_property(GLOBAL PROPERTY "LT_NEEDS_${file}" FALSE)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include")
    set(v FALSE)
    foreach(line IN LISTS lines)
        if(line MATCHES "<(${LT_WINDOWS_HEADERS})\\.h>")
            set(v TRUE)
            break()
        endif()
        if(line MATCHES "\"([^\"]+)\"")
            set(inc "${CMAKE_MATCH_1}")
            get_filename_component(dir "${file}" DIRECTORY)
            set(path "")
            if(EXISTS "${CMAKE_SOURCE_DIR}/${inc}")
                set(path "${CMAKE_SOURCE_DIR}/${inc}")
            elseif(EXISTS "${dir}/${inc}")
                set(path "${dir}/${inc}")
            endif()
            if(path)
                get_filename_component(path "${path}" ABSOLUTE)
                lt_needs_windows("${path}" sub)
                if(sub)
                    set(v TRUE)
                    break()
                endif()
            endif()
        endif()
    endforeach()
    set_property(GLOBAL PROPERTY "LT_NEEDS_${file}" ${v})
    set(${result} ${v} PARENT_SCOPE)
endfunction()

# Per folder: LT_SOURCES_<folder> (all) and LT_PORTABLE_<folder> (platform-free).
set(LT_ENTRY "${CMAKE_SOURCE_DIR}/app/WinMain.cpp")
foreach(folder IN LISTS LT_FOLDERS)
    # Rooms inside a folder (terminal/receive/, ...) belong to the folder.
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
    # The entry point is linked only into the product.
    list(REMOVE_ITEM found "${LT_ENTRY}")
    list(SORT found)
    set(LT_SOURCES_${folder} ${found})
    set(LT_PORTABLE_${folder} "")
    foreach(src IN LISTS found)
        lt_needs_windows("${src}" win)
        if(NOT win)
            list(APPEND LT_PORTABLE_${folder} "${src}")
        endif()
    endforeach()
endforeach()

# The layers, top floor first: app/ assembles the program; terminal/ stands on
# win/, comm/ and util/; win/ and comm/ each on util/. A library links after
# every library that uses it (scripts/layers checks the includes agree).
set(LT_LAYERS app terminal win comm util)
set(LT_DEPS_util "")
set(LT_DEPS_comm util)
set(LT_DEPS_win util)
set(LT_DEPS_terminal comm win util)
set(LT_DEPS_app terminal comm win util)

# A test file's name says which folder it exercises: comm_*, util_*, win_*,
# terminal_*, app_* (native) and test_comm_*, test_util_*, ... (Windows).
function(lt_folder_of_test file out)
    get_filename_component(name "${file}" NAME_WE)
    string(REGEX REPLACE "^test_" "" name "${name}")
    string(REGEX MATCH "^[a-z]+" folder "${name}")
    if(NOT folder IN_LIST LT_FOLDERS)
        set(folder app)
    endif()
    set(${out} ${folder} PARENT_SCOPE)
endfunction()

set(LT_WARNINGS -Wall -Wextra -Werror)
