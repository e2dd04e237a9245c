# One executable per fuzz/*_fuzz.cpp, also those added later:
#   zem_add_fuzz_targets(FUZZ)    for libFuzzer, named NAME_fuzz (fuzz build)
#   zem_add_fuzz_targets(REPLAY)  with replay_main.cpp, named NAME_fuzz_replay,
#                                 running the files it is given (test builds)
set(ZEM_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

# Link options a target needs in both forms.
set(ZEM_FUZZ_LINK_script_fuzz -Wl,--wrap=_Z15BuildRemapTablePKhS0_)

function(zem_add_fuzz_targets mode)
  file(GLOB sources CONFIGURE_DEPENDS ${ZEM_FUZZ_DIR}/*_fuzz.cpp)
  set(names "")
  foreach(src ${sources})
    get_filename_component(name ${src} NAME_WE)
    if(mode STREQUAL "REPLAY")
      set(exe ${name}_replay)
      add_executable(${exe} ${src} ${ZEM_FUZZ_DIR}/replay_main.cpp)
    else()
      set(exe ${name})
      add_executable(${exe} ${src})
      target_compile_options(${exe} PRIVATE -fsanitize=fuzzer)
      target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
    endif()
    target_link_libraries(${exe} PRIVATE zem_test_support)
    # Targets of the authoring tool's readers; the importer's read their
    # input as a file of a source folder.
    if(name MATCHES "^(source_|import_|check_)")
      target_link_libraries(${exe} PRIVATE zemworld_lib)
    endif()
    if(name MATCHES "^(import_|check_)")
      target_sources(${exe} PRIVATE ${ZEM_FUZZ_DIR}/source_file.cpp)
    endif()
    if(DEFINED ZEM_FUZZ_LINK_${name})
      target_link_options(${exe} PRIVATE ${ZEM_FUZZ_LINK_${name}})
    endif()
    list(APPEND names ${name})
  endforeach()
  set(ZEM_FUZZ_NAMES ${names} PARENT_SCOPE)
endfunction()
