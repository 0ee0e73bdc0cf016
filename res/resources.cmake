# The resource script and the files it is made from. Bitmaps and the icon are
# kept as text pixel art and turned into .bmp/.ico in the build folder.
set(LT_RC ${CMAKE_SOURCE_DIR}/res/LineTalk.rc)
set(LT_RES_GEN ${CMAKE_BINARY_DIR}/res)
file(MAKE_DIRECTORY ${LT_RES_GEN})
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${LT_RES_GEN} -I${CMAKE_SOURCE_DIR} -I${CMAKE_SOURCE_DIR}/res")

# lt_resource_deps(target): the target's resources are rebuilt when any of the
# generated pictures change.
function(lt_resource_deps target)
endfunction()
