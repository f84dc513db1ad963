# Generates the soak script, plays it and checks the output; the output stays in WORK for
# a look when the check fails.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${PYTHON} ${SOURCE}/make_soak.py ${WORK}/soak.zqs RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "could not write the soak script")
endif()
execute_process(COMMAND ${ZQSIM} --quiet --root ${WORK}/disk ${WORK}/soak.zqs
  OUTPUT_FILE ${WORK}/output.txt ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "zqsim failed (${rc}); output in ${WORK}/output.txt\n${err}")
endif()
execute_process(COMMAND ${PYTHON} ${SOURCE}/check_soak.py ${WORK}/output.txt
  OUTPUT_VARIABLE report RESULT_VARIABLE rc)
message("${report}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the soak found leaks; output in ${WORK}/output.txt")
endif()
