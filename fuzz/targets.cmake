# The fuzz targets (fuzz/<name>_fuzz.cpp, corpus in fuzz/corpus/<name>/), what each links,
# and their corpora replayed without a fuzzer as tests (included by the fuzzing build and by
# the normal build's tests).
set(ZQ_FUZZ_TARGETS command_url sim_profile html_resource error_line remembered_rect text_list
    notification_field service_form update_signature)

# The library a target's code under test lives in.
function(zq_fuzz_link target name)
  if(name STREQUAL "service_form")
    target_link_libraries(${target} PRIVATE zqservicecore)
  elseif(name STREQUAL "update_signature")
    target_link_libraries(${target} PRIVATE zqupdatesig)
  else()
    target_link_libraries(${target} PRIVATE zqsimdesktop)
  endif()
endfunction()

# Each corpus fed to its target's entry point by a plain executable, run as a test.
foreach(name ${ZQ_FUZZ_TARGETS})
  add_executable(${name}_replay ${CMAKE_SOURCE_DIR}/fuzz/${name}_fuzz.cpp
                 ${CMAKE_SOURCE_DIR}/fuzz/corpus_replay.cpp)
  zq_fuzz_link(${name}_replay ${name})
  add_test(NAME fuzz.${name}.replay
           COMMAND ${name}_replay ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
endforeach()
