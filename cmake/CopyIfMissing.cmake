# Copies SOURCE to DEST unless DEST exists already.
if(NOT EXISTS "${DEST}")
  file(COPY_FILE "${SOURCE}" "${DEST}")
endif()
