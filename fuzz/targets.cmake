# The fuzz targets (fuzz/<name>_fuzz.cpp, corpus in fuzz/corpus/<name>/) and what each links.
# Included by the fuzzing build and by the corpus replay of the normal build.
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

# A plain executable that feeds the committed corpus to the target's entry point, and the
# test that runs it.
function(zq_fuzz_replay name)
  add_executable(${name}_replay ${CMAKE_SOURCE_DIR}/fuzz/${name}_fuzz.cpp
                 ${CMAKE_SOURCE_DIR}/fuzz/corpus_replay.cpp)
  zq_fuzz_link(${name}_replay ${name})
  add_test(NAME fuzz.${name}.replay
           COMMAND ${name}_replay ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
endfunction()
