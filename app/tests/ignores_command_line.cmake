# Starts the program with arguments that the windowing toolkit would act on if
# it saw them (an unknown platform plugin would abort start-up at once), and
# checks that the window still comes up and stays up.
execute_process(
  COMMAND ${PROGRAM} -platform no-such-platform -style no-such-style --help data.txt
  TIMEOUT 3
  RESULT_VARIABLE result
  ERROR_VARIABLE errors)
if(NOT result MATCHES "timeout")
  message(FATAL_ERROR "the program ended at start-up (${result}): ${errors}")
endif()
