# Never touches an existing database.
if(EXISTS "${OUT}")
  return()
endif()
execute_process(COMMAND "${MKDB}" "${OUT}" "${SCHEMA}" "${DATA}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "Could not build ${OUT}")
endif()
