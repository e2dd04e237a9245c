# The layers, bottom up, and what each folder may include:
#   backend/    backend.h and its own backend's files (soft beneath them all)
#   platform, image, screen, {panorama, sound}, scene, app
#                its own folder and the layers below; of backend/ only its
#                public header, backend.h; app/ also the option headers of
#                the backends its entry points choose (sdl.h)
#   tools/       the system, backend.h and the headless backend's test
#                header; never a backend's private parts
# tests/, bench/ and fuzz/ look at everything.
#
# Included by the top CMakeLists.txt, it adds the target zem_layers, which
# every library depends on, so that a build with an upward include fails
# before anything is compiled. Run as a script (cmake -DZEM_ROOT=DIR -P
# layers.cmake) it checks the tree under DIR and fails on a wrong include.

set(ZEM_LAYER_ORDER platform image screen panorama sound scene app)
set(ZEM_LAYER_RANK_platform 1)
set(ZEM_LAYER_RANK_image 2)
set(ZEM_LAYER_RANK_screen 3)
set(ZEM_LAYER_RANK_panorama 4)
set(ZEM_LAYER_RANK_sound 4)
set(ZEM_LAYER_RANK_scene 5)
set(ZEM_LAYER_RANK_app 6)
set(ZEM_LAYER_PUBLIC_BACKEND backend/backend.h)

# Why the file (its folder's first name: folder) may not include target, or
# an empty text.
function(zem_layer_fault folder file target out)
  string(REGEX MATCH "^[^/]+" to "${target}")
  set(fault "")
  if(NOT to OR NOT EXISTS "${ZEM_ROOT}/${to}")
    # A system header or a file beside the includer: not a layer.
  elseif(folder STREQUAL "backend")
    string(REGEX MATCH "^backend/[^/]+" own "${file}")
    if(NOT to STREQUAL "backend")
      set(fault "a backend includes only backend/")
    elseif(NOT target STREQUAL "backend/backend.h" AND NOT target MATCHES "^backend/soft/"
           AND NOT target MATCHES "^${own}/")
      set(fault "a backend includes only backend.h, backend/soft and its own folder")
    endif()
  elseif(DEFINED ZEM_LAYER_RANK_${folder})
    if(to STREQUAL "backend")
      list(FIND ZEM_LAYER_PUBLIC_BACKEND "${target}" public)
      if(public LESS 0 AND NOT (folder STREQUAL "app" AND target MATCHES "^backend/(sdl/sdl|web/web)\\.h$"))
        set(fault "the system includes only the public headers of backend/")
      endif()
    elseif(NOT DEFINED ZEM_LAYER_RANK_${to})
      set(fault "the system includes nothing of ${to}/")
    elseif(NOT to STREQUAL folder AND NOT ZEM_LAYER_RANK_${to} LESS ZEM_LAYER_RANK_${folder})
      set(fault "${to}/ is not below ${folder}/")
    endif()
  elseif(folder STREQUAL "tools")
    if(to MATCHES "^(tests|bench|fuzz)$")
      set(fault "a tool includes nothing of ${to}/")
    elseif(to STREQUAL "backend")
      list(FIND ZEM_LAYER_PUBLIC_BACKEND "${target}" public)
      if(public LESS 0 AND NOT target STREQUAL "backend/headless/headless.h")
        set(fault "a tool includes only the public headers of backend/ and headless.h")
      endif()
    endif()
  endif()
  set(${out} "${fault}" PARENT_SCOPE)
endfunction()

# Every wrong include under root, one line each.
function(zem_layer_faults root out)
  set(ZEM_ROOT "${root}")
  set(found "")
  file(GLOB_RECURSE files RELATIVE "${root}" "${root}/*.cpp" "${root}/*.h")
  foreach(file ${files})
    string(REGEX MATCH "^[^/]+" folder "${file}")
    if(NOT folder MATCHES "^(backend|tools)$" AND NOT DEFINED ZEM_LAYER_RANK_${folder})
      continue()
    endif()
    file(STRINGS "${root}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" target "${line}")
      zem_layer_fault("${folder}" "${file}" "${target}" fault)
      if(fault)
        list(APPEND found "${file} includes ${target}: ${fault}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT ZEM_ROOT)
    message(FATAL_ERROR "usage: cmake -DZEM_ROOT=DIR -P layers.cmake")
  endif()
  zem_layer_faults("${ZEM_ROOT}" faults)
  if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "includes across the layers:\n  ${text}")
  endif()
  if(ZEM_STAMP)
    file(TOUCH "${ZEM_STAMP}")
  endif()
  return()
endif()

set(zem_layer_sources "")
foreach(folder backend tools ${ZEM_LAYER_ORDER})
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp
       ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  list(APPEND zem_layer_sources ${found})
endforeach()
set(zem_layer_stamp ${CMAKE_BINARY_DIR}/layers.checked)
add_custom_command(
  OUTPUT ${zem_layer_stamp}
  COMMAND ${CMAKE_COMMAND} -DZEM_ROOT=${CMAKE_SOURCE_DIR} -DZEM_STAMP=${zem_layer_stamp}
          -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${zem_layer_sources} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Checking the layers' includes"
  VERBATIM)
add_custom_target(zem_layers DEPENDS ${zem_layer_stamp})
set(ZEM_LAYERS_SCRIPT ${CMAKE_CURRENT_LIST_FILE})
