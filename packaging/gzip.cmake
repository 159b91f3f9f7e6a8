# cmake -DIN=FILE -DOUT=FILE.gz -P gzip.cmake: compresses FILE as Debian
# wants it (best compression, no name or time stamp). No shell is involved,
# so a path may hold any character.
execute_process(COMMAND gzip -9nc ${IN} OUTPUT_FILE ${OUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "gzip ${IN}: ${status}")
endif()
