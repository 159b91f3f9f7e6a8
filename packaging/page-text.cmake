# cmake -DGROFF=... -DIN=page.1 -DOUT=page.txt -P page-text.cmake: the
# manual page as plain text, as man shows it at a terminal, without the
# overstrikes that show bold and underlining.
execute_process(COMMAND ${GROFF} -man -Tutf8 -P-cbou ${IN}
                OUTPUT_FILE ${OUT} COMMAND_ERROR_IS_FATAL ANY)
