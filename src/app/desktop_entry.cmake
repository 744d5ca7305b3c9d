# Writes the desktop entry with the MIME types the build reads:
# -DMIME_TOOL=... -DLOADER=... -DIN=... -DOUT=... -DQUORVEL_EXECUTABLE=... -DQUORVEL_APP_ID=...
set(ENV{QUORVEL_LOADER} "${LOADER}")
execute_process(COMMAND "${MIME_TOOL}" OUTPUT_VARIABLE QUORVEL_MIME_TYPES RESULT_VARIABLE status
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list the image types read: ${status}")
endif()
configure_file("${IN}" "${OUT}" @ONLY)
