# Runs ondrix-host on MODULE for one second and checks that it succeeded and sent control changes.
execute_process(COMMAND ${HOST} ${MODULE} --seconds 1
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ondrix-host exited with ${status}\n${err}")
endif()
if(NOT err STREQUAL "")
  message(FATAL_ERROR "ondrix-host wrote to standard error:\n${err}")
endif()
# Lines read "<sample> <channel> <controller> <value>"; the default patch sends on controllers 16
# and 17 of channel 0 from the first tick.
if(NOT out MATCHES "(^|\n)0 0 16 [0-9]+\n" OR NOT out MATCHES "(^|\n)0 0 17 [0-9]+\n")
  string(SUBSTRING "${out}" 0 2000 head)
  message(FATAL_ERROR "ondrix-host printed no control changes for controllers 16 and 17 at sample 0:\n${head}")
endif()
