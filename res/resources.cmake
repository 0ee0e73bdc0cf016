# The resource script and the files it is made from. Bitmaps and the icon are
# kept as text pixel art (res/art/*.txt) and turned into .bmp/.ico in the build
# folder by res/pixelart.py, so a picture is changed in a text editor.
set(LT_RC ${CMAKE_SOURCE_DIR}/res/LineTalk.rc)
set(LT_RES_GEN ${CMAKE_BINARY_DIR}/res)
file(MAKE_DIRECTORY ${LT_RES_GEN})
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${LT_RES_GEN} -I${CMAKE_SOURCE_DIR} -I${CMAKE_SOURCE_DIR}/res")

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(LT_PIXELART ${CMAKE_SOURCE_DIR}/res/pixelart.py)

# name kind: res/art/<name>.txt becomes ${LT_RES_GEN}/<name>.<kind>.
set(LT_PICTURES
    setup:bmp computer:bmp door:bmp pushpin:bmp cross:bmp tick:bmp floppy:bmp
    brush:bmp light_green:bmp light_red:bmp terminal:ico)
set(LT_RES_FILES "")
foreach(p IN LISTS LT_PICTURES)
    string(REPLACE ":" ";" parts "${p}")
    list(GET parts 0 name)
    list(GET parts 1 kind)
    set(art ${CMAKE_SOURCE_DIR}/res/art/${name}.txt)
    set(out ${LT_RES_GEN}/${name}.${kind})
    add_custom_command(OUTPUT ${out}
        COMMAND ${Python3_EXECUTABLE} ${LT_PIXELART} ${kind} ${art} ${out}
        DEPENDS ${art} ${LT_PIXELART}
        COMMENT "Drawing ${name}.${kind}"
        VERBATIM)
    list(APPEND LT_RES_FILES ${out})
endforeach()
add_custom_target(lt_pictures DEPENDS ${LT_RES_FILES})

# The scripts that include the pictures: recompiled when a picture changes.
set(LT_RC_SCRIPTS ${LT_RC} ${CMAKE_SOURCE_DIR}/tests/wine/TestResources.rc)
set_source_files_properties(${LT_RC_SCRIPTS} PROPERTIES OBJECT_DEPENDS "${LT_RES_FILES}")

# lt_resource_deps(target): the target's resources are compiled after the
# pictures are drawn and again whenever one of them changes.
function(lt_resource_deps target)
    add_dependencies(${target} lt_pictures)
endfunction()
