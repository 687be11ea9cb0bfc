# The bundle's dynamic symbol table defines exactly the module's entry points and `clap_entry`,
# and the module holds the platform layer's entry and exit hooks.
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${MODULE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}: ${err}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE " .*" "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected GetPluginFactory ModuleEntry ModuleExit bundleEntry bundleExit clap_entry)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "the bundle defines\n  ${names}\nin place of\n  ${expected}")
endif()

execute_process(COMMAND ${NM} -C ${MODULE} RESULT_VARIABLE status OUTPUT_VARIABLE out)
if(NOT status EQUAL 0 OR NOT out MATCHES "createMessageWindow" OR
   NOT out MATCHES "dropMessageWindow")
  message(FATAL_ERROR "the bundle lacks the platform layer's module hooks")
endif()
