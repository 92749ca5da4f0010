# Runs one command and checks its exit status and output.
#   cmake -DCOMMAND=<program|arg|arg...> -DEXIT=<status> [-DMATCH=<regex>]
#         [-DERR_MATCH=<regex standard error alone must match>]
#         [-DFAULT=<KEST_FIXTURE_FAULT value>] [-DINPUT=<stdin file>]
#         [-DEXPECTATIONS=<count|count...: the summaries, in order>] -P run_expect.cmake
string(REPLACE "|" ";" command "${COMMAND}")
if(DEFINED FAULT)
    set(ENV{KEST_FIXTURE_FAULT} "${FAULT}")
endif()
set(input_args)
if(DEFINED INPUT)
    set(input_args INPUT_FILE "${INPUT}")
endif()
execute_process(COMMAND ${command} ${input_args}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
set(all "${out}${err}")
if(NOT "${status}" STREQUAL "${EXIT}")
    message(FATAL_ERROR "expected exit status ${EXIT}, got ${status}\n${all}")
endif()
if(DEFINED MATCH AND NOT all MATCHES "${MATCH}")
    message(FATAL_ERROR "output does not match \"${MATCH}\"\n${all}")
endif()
if(DEFINED EXPECTATIONS)
    string(REPLACE "|" ";" counts "${EXPECTATIONS}")
    set(summaries "")
    foreach(count ${counts})
        string(APPEND summaries ".*Summary: ${count} expectations?,")
    endforeach()
    if(NOT all MATCHES "${summaries}")
        message(FATAL_ERROR "the summaries do not report the expectations of the scenario files "
                            "given (${counts}, in order): did kest-host run something else?\n${all}")
    endif()
endif()
if(DEFINED ERR_MATCH AND NOT err MATCHES "${ERR_MATCH}")
    message(FATAL_ERROR "standard error does not match \"${ERR_MATCH}\"\n${err}")
endif()
message(STATUS "exit ${status} as expected")
