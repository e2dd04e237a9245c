# The web build from the native one: when Emscripten is there, the default
# build configures a second tree (build/web-build, emcmake cmake) for the
# program's page files, puts them beside zemworld (tools/zemworld/web, where
# `zemworld web` looks), and makes the demo world's page folder (web-demo).
# The sanitizer and fuzz builds leave it out.
find_program(ZEM_EMCMAKE emcmake)
set(zem_web_default OFF)
if(ZEM_EMCMAKE AND NOT ZEM_SANITIZE AND NOT ZEM_BUILD_FUZZ)
  set(zem_web_default ON)
endif()
option(ZEM_BUILD_WEB "Build the web program with Emscripten and the demo world's web folder"
       ${zem_web_default})

if(ZEM_BUILD_WEB)
  if(NOT ZEM_EMCMAKE)
    message(FATAL_ERROR "ZEM_BUILD_WEB needs Emscripten's emcmake")
  endif()
  include(ExternalProject)
  set(ZEM_WEB_RUNTIME ${CMAKE_BINARY_DIR}/tools/zemworld/web)
  set(zem_web_files ${ZEM_WEB_RUNTIME}/index.html ${ZEM_WEB_RUNTIME}/zemvr.js
      ${ZEM_WEB_RUNTIME}/zemvr.wasm)
  ExternalProject_Add(zemvr_web
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/web-build
    CONFIGURE_COMMAND ${ZEM_EMCMAKE} ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR>
                      -DCMAKE_BUILD_TYPE=Release -DZEM_WEB_OUTPUT=${ZEM_WEB_RUNTIME}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${zem_web_files})

  set(zem_web_demo ${CMAKE_BINARY_DIR}/web-demo)
  add_custom_command(
    OUTPUT ${zem_web_demo}/index.html ${zem_web_demo}/data.zem
    COMMAND zemworld web ${CMAKE_BINARY_DIR}/tools/demoworld/data.zem ${zem_web_demo}
            --title "zemVR demo" --force
    DEPENDS zemworld ${CMAKE_BINARY_DIR}/tools/demoworld/data.zem ${zem_web_files}
    COMMENT "Making the demo world's web folder"
    VERBATIM)
  add_custom_target(web_demo ALL DEPENDS ${zem_web_demo}/index.html)
  add_dependencies(web_demo zemvr_web demo_world)

  install(FILES ${zem_web_files} DESTINATION share/zemvr/web)
endif()
