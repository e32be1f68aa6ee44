// SPDX-License-Identifier: MIT
#pragma once
// A tokenized program of any size for the benchmarks: lines with keywords,
// strings, comments, DATA, graphic characters and every kind of constant,
// in a fixed random order, numbered 10, 20, ... and round again after 65000.

#include "common/AnnotatedHex.h"

#include <random>
#include <string>

namespace quillet::bench {

// The lines and the end mark, without the leading 0xFF, of about `size` bytes.
inline std::string generatedProgramLines(std::size_t size)
{
    // Line bodies, each ending in its 0x00.
    static const char* const bodies[] = {
        // PRINT "HELLO, kana":A=&HFF+&O17
        "91 20 22 48 45 4C 4C 4F 2C 20 B6 C5 22 3A 41 EF 0C FF 00 F1 0B 0F 00 00",
        // FOR I=1 TO 100 STEP 2:X=X+1.5:NEXT
        "82 20 49 EF 12 20 D9 20 0F 64 20 DC 20 13 3A 58 EF 58 F1 1D 41 15 00 00 3A 83 00",
        // REM comment with some text
        "8F 20 63 6F 6D 6D 65 6E 74 20 77 69 74 68 20 73 6F 6D 65 20 74 65 78 74 00",
        // IF A>1000 THEN 100 ELSE GOSUB 2000
        "8B 20 41 EE 1C E8 03 20 DA 20 0E 64 00 3A A1 20 8D 20 0E D0 07 00",
        // DATA 1,2,3,"ABC",&H10
        "84 20 31 2C 32 2C 33 2C 22 41 42 43 22 2C 26 48 31 30 00",
        // D#=3.1415926535898#:E=1E-05:' note
        "44 23 EF 1F 41 31 41 59 26 53 58 98 3A 45 EF 1D 3C 10 00 00 3A 8F E6 20 6E 6F 74 65 00",
        // X$=LEFT$(A$,3)+CHR$(65):PRINT "graphic"
        "58 24 EF FF 81 28 41 24 2C 14 29 F1 FF 96 28 0F 41 29 3A 91 20 22 01 41 22 00",
    };
    std::string bodyBytes[std::size(bodies)];
    for (std::size_t i = 0; i < std::size(bodies); ++i)
        bodyBytes[i] = bytesFromAnnotatedHex(bodies[i]);
    std::string program;
    program.reserve(size + 256);
    std::mt19937 random(7);
    unsigned number = 10;
    while (program.size() < size) {
        program += '\x01'; // any link but 0 goes on to the next line
        program += '\x80';
        program += static_cast<char>(number & 0xFF);
        program += static_cast<char>(number >> 8);
        program += bodyBytes[random() % std::size(bodies)];
        number = number >= 65000 ? 10 : number + 10;
    }
    return program + std::string(2, '\0');
}

} // namespace quillet::bench
