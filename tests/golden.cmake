# Traces PROGRAM with CLI and compares the output (with the exit status) against PROGRAM's .trace file.
# A program may carry its command-line options in a first line "(args: ...)" comment.
get_filename_component(dir ${PROGRAM} DIRECTORY)
get_filename_component(stem ${PROGRAM} NAME_WE)
set(expected_file ${dir}/${stem}.trace)

file(STRINGS ${PROGRAM} first_line LIMIT_COUNT 1)
set(extra_args "")
if(first_line MATCHES "^\\(args: ([^)]*)\\)")
  separate_arguments(extra_args UNIX_COMMAND "${CMAKE_MATCH_1}")
endif()
set(config_dir ${CONFIG_DIR})
if(EXISTS ${dir}/${stem}.config)
  set(config_dir ${dir}/${stem}.config)
endif()

execute_process(
  COMMAND ${CLI} trace --config-dir ${config_dir} ${extra_args} ${PROGRAM}
  OUTPUT_VARIABLE actual
  RESULT_VARIABLE status)
string(APPEND actual "exit ${status}\n")

if(DEFINED ENV{UPDATE_GOLDEN})
  file(WRITE ${expected_file} "${actual}")
  message(STATUS "rewrote ${expected_file}")
  return()
endif()
if(NOT EXISTS ${expected_file})
  message(FATAL_ERROR "no expected trace ${expected_file}; run UPDATE_GOLDEN=1 ctest -R golden and read the diff")
endif()
file(READ ${expected_file} expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${stem}.actual "${actual}")
  execute_process(COMMAND diff -u ${expected_file} ${CMAKE_CURRENT_BINARY_DIR}/${stem}.actual)
  message(FATAL_ERROR "trace of ${stem}.ngc differs from ${stem}.trace")
endif()
