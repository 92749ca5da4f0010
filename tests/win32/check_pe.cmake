# Checks one Windows binary with objdump -p, as a release reviewer would:
#   cmake -DOBJDUMP=<objdump> -DFILE=<binary> [-DEXPORTS=<name;...>]
#         [-DEXTRA_IMPORTS=<dll;...>] [-DIMPORTED_FUNCTIONS=<name;...>]
#         [-DSIGNATURE=<regex>] -P check_pe.cmake
#
# - the file is a 32-bit x86 PE image (PE32, machine i386);
# - it imports only from Windows' own DLLs and from EXTRA_IMPORTS: no MinGW runtime
#   DLL, so that it runs on a machine without the compiler;
# - with IMPORTED_FUNCTIONS given, it imports each of those functions;
# - with EXPORTS given, its export table names exactly those names, undecorated;
# - with SIGNATURE given, one of the file's text strings matches that pattern.
# Fails with a message that says what is wrong.
cmake_minimum_required(VERSION 3.25)

foreach(required OBJDUMP FILE)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "check_pe: ${required} is not set")
    endif()
endforeach()
if(NOT EXISTS "${FILE}")
    message(FATAL_ERROR "check_pe: ${FILE} does not exist")
endif()
get_filename_component(binary "${FILE}" NAME)

execute_process(COMMAND "${OBJDUMP}" -f -p "${FILE}" OUTPUT_VARIABLE dump
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "check_pe: objdump failed on ${binary}: ${errors}")
endif()

set(problems "")

if(NOT dump MATCHES "file format pei-i386")
    list(APPEND problems "not a pei-i386 image")
endif()
if(NOT dump MATCHES "architecture: i386,")
    list(APPEND problems "machine is not i386")
endif()
if(NOT dump MATCHES "Magic[ \t]+010b[ \t]+\\(PE32\\)")
    list(APPEND problems "optional header is not PE32")
endif()

# Imports: every "DLL Name:" line.
string(REGEX MATCHALL "DLL Name: [^\r\n]+" import_lines "${dump}")
set(system_dlls kernel32.dll msvcrt.dll user32.dll advapi32.dll version.dll shell32.dll
    ole32.dll ws2_32.dll ntdll.dll)
set(allowed ${system_dlls})
foreach(extra IN LISTS EXTRA_IMPORTS)
    string(TOLOWER "${extra}" extra)
    list(APPEND allowed "${extra}")
endforeach()
set(imports "")
foreach(line IN LISTS import_lines)
    string(REGEX REPLACE "DLL Name: " "" dll "${line}")
    string(STRIP "${dll}" dll)
    list(APPEND imports "${dll}")
    string(TOLOWER "${dll}" lower)
    if(NOT lower IN_LIST allowed AND NOT lower MATCHES "^api-ms-win-")
        list(APPEND problems "imports from ${dll}")
    endif()
endforeach()
if(imports STREQUAL "")
    list(APPEND problems "no import table found")
endif()

# Imported functions: "<hint rva> <hint> <name>" lines of the import tables.
foreach(function IN LISTS IMPORTED_FUNCTIONS)
    if(NOT dump MATCHES "\t[0-9a-f]+[ \t]+[0-9]+[ \t]+${function}\n")
        list(APPEND problems "does not import ${function}")
    endif()
endforeach()

# Exports: the lines of the name pointer table, "[   0] name".
if(DEFINED EXPORTS)
    set(exports "")
    string(FIND "${dump}" "[Ordinal/Name Pointer] Table" table_start)
    if(table_start GREATER -1)
        string(SUBSTRING "${dump}" ${table_start} -1 table)
        string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^\r\n]+" export_lines "${table}")
        foreach(line IN LISTS export_lines)
            string(REGEX REPLACE "^\n\t\\[ *[0-9]+\\] " "" name "${line}")
            list(APPEND exports "${name}")
        endforeach()
    endif()
    if(NOT exports STREQUAL EXPORTS)
        list(LENGTH exports count)
        list(APPEND problems "exports ${count} name(s) [${exports}] instead of [${EXPORTS}]")
    endif()
endif()

if(DEFINED SIGNATURE)
    file(STRINGS "${FILE}" found LIMIT_COUNT 1 REGEX "${SIGNATURE}")
    if(found STREQUAL "")
        list(APPEND problems "holds no text matching \"${SIGNATURE}\"")
    else()
        message(STATUS "${binary}: ${found}")
    endif()
endif()

if(problems)
    list(JOIN problems "; " text)
    message(FATAL_ERROR "${binary}: ${text}")
endif()
message(STATUS "${binary}: PE32 i386, imports [${imports}], exports [${exports}]")
