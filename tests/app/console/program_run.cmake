# brisel-convert started as a script starts it, with umlauts in a path and in the prefix:
# every exit status, the streams, and the files byte for byte. On a Linux machine the
# Windows program runs under the emulator (Wine).
# cmake -DPROGRAM=... [-DEMULATOR=wine] -DWORK=folder -P program_run.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/Tabelle ü.csv" "Name;Gewicht;Nr;S;W;A\r\nStahl;7,85;1;31;45;2,5\r\n")
file(WRITE "${WORK}/Ziel ö.ini" "ALT")

# run(STATUS OUT ERR args...): the program in WORK; its exit status and streams.
function(run status out err)
    execute_process(COMMAND ${EMULATOR} "${PROGRAM}" ${ARGN}
        WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error
        ENCODING UTF8)
    string(STRIP "${output}" output)
    string(STRIP "${error}" error)
    set(${status} "${result}" PARENT_SCOPE)
    set(${out} "${output}" PARENT_SCOPE)
    set(${err} "${error}" PARENT_SCOPE)
endfunction()

function(expect what actual expected)
    if(NOT actual STREQUAL expected)
        message(FATAL_ERROR "${what}:\n  got      [${actual}]\n  expected [${expected}]")
    endif()
endfunction()

function(expect_bytes file expected_hex)
    file(READ "${WORK}/${file}" bytes HEX)
    expect("bytes of ${file}" "${bytes}" "${expected_hex}")
endfunction()

# "ALT", untouched.
set(old_hex 414c54)
# MAT=1,ÄStahl / -XHATCH=31, 45, 2,5 / -KG_P_L=7.85, each CR LF, Ä as the ANSI byte C4.
set(records_hex "4d41543d312cc4537461686c0d0a2d5848415443483d33312c2034352c20322c350d0a2d4b475f505f4c3d372e38350d0a")

run(status out err --ersetzen "--prefix=Ä" "Tabelle ü.csv" "Ziel ö.ini")
expect("status of a conversion" "${status}" 0)
expect("its standard output" "${out}" "1 Material in „Ziel ö.ini“ geschrieben.")
expect("its standard error" "${err}" "")
expect_bytes("Ziel ö.ini" "${records_hex}")

file(WRITE "${WORK}/Ziel ö.ini" "ALT")
run(status out err --erweitern "fehlt ü.csv" "Ziel ö.ini")
expect("status of a failed check" "${status}" 1)
expect("its standard error" "${err}" "brisel-convert: Die Quelldatei „fehlt ü.csv“ existiert nicht. Bitte den Pfad prüfen.")
expect("its standard output" "${out}" "")
expect_bytes("Ziel ö.ini" "${old_hex}")

run(status out err --ersetzen --erweitern "Tabelle ü.csv" "Ziel ö.ini")
expect("status of a wrong call" "${status}" 2)
string(FIND "${err}" "Aufruf: brisel-convert" at)
if(at LESS 0)
    message(FATAL_ERROR "no usage on standard error: [${err}]")
endif()
expect_bytes("Ziel ö.ini" "${old_hex}")

# Standard input to standard output: the records exactly, with no line end translated.
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" --ersetzen --prefix Ä - -
    WORKING_DIRECTORY "${WORK}" INPUT_FILE "${WORK}/Tabelle ü.csv" OUTPUT_FILE "${WORK}/stdout.ini"
    RESULT_VARIABLE status)
expect("status from standard input to standard output" "${status}" 0)
expect_bytes("stdout.ini" "${records_hex}")

if(NOT EMULATOR)
    # A name that is no UTF-8 (a Windows-1252 "ä", as older systems and archives give
    # names): that very file gets the records, none named with U+FFFD in its place, and
    # the name is shown readably.
    string(ASCII 228 a_umlaut)
    file(WRITE "${WORK}/Ziel${a_umlaut}.ini" "ALT")
    file(GLOB before RELATIVE "${WORK}" "${WORK}/*")
    run(status out err --ersetzen "--prefix=Ä" "Tabelle ü.csv" "Ziel${a_umlaut}.ini")
    expect("status with a name that is no UTF-8" "${status}" 0)
    expect("its standard output" "${out}" "1 Material in „Ziel\\xE4.ini“ geschrieben.")
    expect_bytes("Ziel${a_umlaut}.ini" "${records_hex}")
    file(GLOB after RELATIVE "${WORK}" "${WORK}/*")
    expect("the files in the folder" "${after}" "${before}")

    # Standard input closed by the caller ("<&-"): it cannot be read, and no file of the
    # program's own stands in for it (an empty table would empty the destination).
    file(WRITE "${WORK}/Ziel ö.ini" "ALT")
    execute_process(COMMAND /bin/sh -c "exec \"$0\" --ersetzen - 'Ziel ö.ini' <&-" "${PROGRAM}"
        WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status ERROR_VARIABLE err ENCODING UTF8)
    expect("status with standard input closed" "${status}" 1)
    string(FIND "${err}" "brisel-convert: Die Standardeingabe kann nicht gelesen werden." at)
    expect("its standard error" "${at}" 0)
    expect_bytes("Ziel ö.ini" "${old_hex}")
endif()
