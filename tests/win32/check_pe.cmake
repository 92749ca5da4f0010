# Checks one Windows binary with objdump -p, as a release reviewer would:
#   cmake -DOBJDUMP=<objdump> -DFILE=<binary> [-DEXPORTS=<name;...>]
#         [-DEXTRA_IMPORTS=<dll;...>] [-DIMPORTED_FUNCTIONS=<name;...>]
#         [-DSIGNATURE=<regex>] [-DVERSION=<a.b.c.d>] -P check_pe.cmake
#
# - the file is a 32-bit x86 PE image (PE32, machine i386);
# - it imports only from Windows' own DLLs and from EXTRA_IMPORTS: no MinGW runtime
#   DLL, so that it runs on a machine without the compiler;
# - with IMPORTED_FUNCTIONS given, it imports each of those functions;
# - with EXPORTS given, its export table names exactly those names, undecorated;
# - with SIGNATURE given, one of the file's text strings matches that pattern;
# - with VERSION given, the fixed part of its version resource gives that file and
#   product version (read from the file's bytes, as Windows' Properties dialog does).
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

# VS_FIXEDFILEINFO: the signature FEEF04BD, the structure version, then the file
# version and the product version, each as two little-endian 32-bit words
# (major << 16 | minor, build << 16 | private).
function(kest_little_endian_word hex offset out)
    string(SUBSTRING "${hex}" ${offset} 8 word)
    string(REGEX REPLACE "^(..)(..)(..)(..)$" "\\4\\3\\2\\1" word "${word}")
    math(EXPR high "0x${word} >> 16")
    math(EXPR low "0x${word} & 0xFFFF")
    set(${out} "${high}.${low}" PARENT_SCOPE)
endfunction()
if(DEFINED VERSION)
    file(READ "${FILE}" bytes HEX)
    set(position -1)
    set(searched 0)
    while(TRUE)
        string(SUBSTRING "${bytes}" ${searched} -1 rest)
        string(FIND "${rest}" "bd04effe" found)
        if(found EQUAL -1)
            break()
        endif()
        math(EXPR found "${searched} + ${found}")
        math(EXPR odd "${found} % 2")
        if(odd EQUAL 0)
            set(position ${found})
            break()
        endif()
        math(EXPR searched "${found} + 1")
    endwhile()
    if(position EQUAL -1)
        list(APPEND problems "has no version resource")
    else()
        math(EXPR at "${position} + 16")
        kest_little_endian_word("${bytes}" ${at} file_ms)
        math(EXPR at "${at} + 8")
        kest_little_endian_word("${bytes}" ${at} file_ls)
        math(EXPR at "${at} + 8")
        kest_little_endian_word("${bytes}" ${at} product_ms)
        math(EXPR at "${at} + 8")
        kest_little_endian_word("${bytes}" ${at} product_ls)
        if(NOT "${file_ms}.${file_ls}" STREQUAL VERSION)
            list(APPEND problems "file version ${file_ms}.${file_ls} instead of ${VERSION}")
        endif()
        if(NOT "${product_ms}.${product_ls}" STREQUAL VERSION)
            list(APPEND problems "product version ${product_ms}.${product_ls} instead of ${VERSION}")
        endif()
        message(STATUS "${binary}: version ${file_ms}.${file_ls}")
    endif()
endif()

if(problems)
    list(JOIN problems "; " text)
    message(FATAL_ERROR "${binary}: ${text}")
endif()
message(STATUS "${binary}: PE32 i386, imports [${imports}], exports [${exports}]")
