# The fuzz corpora replayed through the fuzz targets' entry points in the normal build:
# plain executables that need no fuzzer, run as tests.
add_executable(command_url_replay ${CMAKE_SOURCE_DIR}/fuzz/command_url_fuzz.cpp
               ${CMAKE_SOURCE_DIR}/fuzz/corpus_replay.cpp)
target_link_libraries(command_url_replay PRIVATE zqsimdesktop)
add_test(NAME fuzz.command_url.replay
         COMMAND command_url_replay ${CMAKE_SOURCE_DIR}/fuzz/corpus/command_url)
