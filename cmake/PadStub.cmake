# Pads the linked stub with zero bytes to exactly SIZE bytes: the package builder appends the payload
# there. Fails when the program is already larger.
# Usage: cmake -DINPUT=<linked exe> -DOUTPUT=<padded exe> -DSIZE=<bytes> -P PadStub.cmake
file(SIZE "${INPUT}" linked)
if(linked GREATER SIZE)
  math(EXPR over "${linked} - ${SIZE}")
  message(FATAL_ERROR "install.exe is ${linked} bytes, ${over} bytes over the payload offset ${SIZE}: "
                      "the stub must stay within it. Shrink the program.")
endif()
file(COPY_FILE "${INPUT}" "${OUTPUT}")
execute_process(COMMAND truncate -s ${SIZE} "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot pad ${OUTPUT} to ${SIZE} bytes")
endif()
