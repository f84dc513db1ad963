# The fuzz corpora replayed through the fuzz targets' entry points in the normal build:
# plain executables that need no fuzzer, run as tests.
include(${CMAKE_SOURCE_DIR}/fuzz/targets.cmake)
foreach(name ${ZQ_FUZZ_TARGETS})
  zq_fuzz_replay(${name})
endforeach()
