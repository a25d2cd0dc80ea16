# Every seed of tests/fuzz/seeds replayed through its fuzz target's entry
# point in the ordinary test run. Each target is its own small program,
# since every one of them defines LLVMFuzzerTestOneInput; the seeds are
# written into the build tree by their scripts when the test runs.
file(GLOB zepa_replay_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_fuzz.cpp)
add_custom_target(zepa_seed_replays)
foreach(src ${zepa_replay_sources})
  get_filename_component(target_name ${src} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" seed_name ${target_name})
  set(replay ${target_name}_replay)
  add_executable(${replay} ${src} ${CMAKE_CURRENT_LIST_DIR}/seed_replay.cpp)
  target_compile_options(${replay} PRIVATE ${ZEPA_WARNINGS})
  if(target_name STREQUAL "save_reader_fuzz")
    # The save reader needs none of the rooms (tests/layers/save_tool_links.cmake).
    target_link_libraries(${replay} PRIVATE zepa_save ${ZEPA_OS})
  else()
    target_link_libraries(${replay} PRIVATE zepa_engine zepa_headless)
  endif()
  add_dependencies(zepa_seed_replays ${replay})
  set(seed_script ${CMAKE_CURRENT_LIST_DIR}/seeds/${seed_name}.sh)
  if(NOT EXISTS ${seed_script})
    message(FATAL_ERROR "fuzz target ${target_name} has no seed script seeds/${seed_name}.sh")
  endif()
  set(seed_dir ${CMAKE_BINARY_DIR}/fuzz-seeds/${seed_name})
  add_test(NAME FuzzSeeds.${seed_name}
           COMMAND sh -c "rm -rf \"$1\" && bash \"$2\" \"$1\" && \"$3\" \"$1\""
                   replay ${seed_dir} ${seed_script} $<TARGET_FILE:${replay}>)
  set_tests_properties(FuzzSeeds.${seed_name} PROPERTIES TIMEOUT 300
                       ENVIRONMENT TMPDIR=${ZEPA_TEST_TMP})
endforeach()
