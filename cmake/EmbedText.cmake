# Writes a C++ header that holds a text file as a std::u16string_view constant, its line breaks
# made CR LF:
#   cmake -DINPUT=file -DOUTPUT=header -DNAME=constant -P EmbedText.cmake
# The text must be ASCII. It goes into raw string literals of at most 2,000 characters each, as
# every compiler takes literals of that size.
file(READ "${INPUT}" text)
if(text MATCHES "[^\t\n\r -~]")
    message(FATAL_ERROR "${INPUT} holds characters outside printable ASCII")
endif()
string(FIND "${text}" ")qv\"" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${INPUT} holds the end of a raw string literal")
endif()
string(REPLACE "\r\n" "\n" text "${text}")

set(body "")
string(LENGTH "${text}" remaining)
while(remaining GREATER 0)
    string(FIND "${text}" "\n" lineEnd)
    if(lineEnd EQUAL -1)
        set(line "${text}")
        set(text "")
        set(lineBreak "")
    else()
        string(SUBSTRING "${text}" 0 ${lineEnd} line)
        math(EXPR next "${lineEnd} + 1")
        string(SUBSTRING "${text}" ${next} -1 text)
        set(lineBreak "    u\"\\r\\n\"\n")
    endif()
    string(LENGTH "${line}" lineLength)
    while(lineLength GREATER 0)
        string(SUBSTRING "${line}" 0 2000 piece)
        string(APPEND body "    uR\"qv(${piece})qv\"\n")
        if(lineLength GREATER 2000)
            string(SUBSTRING "${line}" 2000 -1 line)
        else()
            set(line "")
        endif()
        string(LENGTH "${line}" lineLength)
    endwhile()
    string(APPEND body "${lineBreak}")
    string(LENGTH "${text}" remaining)
endwhile()

file(WRITE "${OUTPUT}.tmp"
     "// Made from ${INPUT} by EmbedText.cmake; do not edit.\n"
     "#pragma once\n\n#include <string_view>\n\n"
     "inline constexpr std::u16string_view ${NAME} =\n${body}    u\"\";\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
