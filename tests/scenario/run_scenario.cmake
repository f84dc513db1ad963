# Runs one scenario script and compares its output with the expected file.
# With -DLIVE=ON (scenarios against the live service) the trace is left out and the
# service's random client identifiers are replaced before comparing.
# Set ZQ_UPDATE_EXPECTED=1 in the environment to rewrite the expected file instead.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(options)
if(LIVE)
  set(options --quiet)
endif()
execute_process(COMMAND ${ZQSIM} ${options} --root ${WORK}/disk ${SCRIPT}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 120)
if(LIVE)
  string(REGEX REPLACE "TavrelZephquillID=[0-9A-Za-z_-]+" "TavrelZephquillID=<id>" out "${out}")
  string(REGEX REPLACE "ClientIdentifier=[0-9A-Za-z_-]+" "ClientIdentifier=<id>" out "${out}")
endif()
file(WRITE ${WORK}/actual.txt "${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "zqsim failed (${rc}):\n${out}\n${err}")
endif()
if("$ENV{ZQ_UPDATE_EXPECTED}" STREQUAL "1")
  file(WRITE ${EXPECTED} "${out}")
  return()
endif()
if(NOT EXISTS ${EXPECTED})
  message(FATAL_ERROR "no expected output ${EXPECTED}; actual output:\n${out}")
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${WORK}/actual.txt OUTPUT_VARIABLE diff)
  message(FATAL_ERROR "scenario output differs from ${EXPECTED}:\n${diff}")
endif()
