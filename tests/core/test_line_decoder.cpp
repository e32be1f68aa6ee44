// SPDX-License-Identifier: MIT
// Line bodies and the listing text they must give (line number not included).
// Where a case comes from a program saved by MSX BASIC with its listing, it
// says so; the others follow the interpreter's listing rules.

#include "common/Errors.h"
#include "decoder/LineDecoder.h"
#include "decoder/TokenTables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace quillet;
using quillet::test::hexBytes;

namespace {

std::string decodeHex(std::string_view hex, ProgramMemory* memory = nullptr)
{
    const std::string bytes = hexBytes(hex);
    MemorySource source(bytes);
    return decodeLine(source, memory);
}

struct LineCase {
    const char* bytes;
    std::string listing;
};

void expectAll(const std::vector<LineCase>& cases)
{
    for (const auto& c : cases)
        EXPECT_EQ(decodeHex(c.bytes), c.listing) << "bytes: " << c.bytes;
}

} // namespace

TEST(TokenTables, FirstLastAndSingleCharacterEntries)
{
    EXPECT_EQ(statementToken(0x81), "END");
    EXPECT_EQ(statementToken(0xFC), "\\");
    EXPECT_EQ(statementToken(0xE6), "'");
    EXPECT_EQ(statementToken(0xDB), "TAB(");
    EXPECT_EQ(statementToken(0xDF), "SPC(");
    EXPECT_EQ(functionToken(0x81), "LEFT$");
    EXPECT_EQ(functionToken(0xB0), "MKD$");
    // The function number is the byte without its top bit.
    EXPECT_EQ(functionToken(0x01), "LEFT$");
    EXPECT_EQ(functionToken(0x30), "MKD$");
    EXPECT_EQ(functionToken(0x16), "CHR$");
    for (int code : {0x00, 0x20, 0x80, 0xFD, 0xFE, 0xFF})
        EXPECT_FALSE(statementToken(static_cast<std::uint8_t>(code))) << code;
    for (int code : {0x00, 0x31, 0x7F, 0x80, 0xB1, 0xFF})
        EXPECT_FALSE(functionToken(static_cast<std::uint8_t>(code))) << code;
}

TEST(LineDecoder, KeywordsAreSpeltWithoutAddedSpaces)
{
    expectAll({
        {"91 1D 41 10 00 00 00", "PRINT1!"}, // saved pair
        {"89 20 0E D2 04 00", "GOTO 1234"},  // saved pair
        {"41 EF F2 12 3A 42 EF F2 1C 10 27 00", "A=-1:B=-10000"},
        {"88 20 4F 43 54 EF 0B 08 00 00", "LET OCT=&O10"},
        {"8B 41 EF 11 DA 91 3A A1 91 00", "IFA=0THENPRINTELSEPRINT"},
        {"91 DB 12 29 3B DF 13 29 00", "PRINTTAB(1);SPC(2)"},
        {"41 EF 42 FC 43 F3 44 00", "A=B\\C*D"},
        {"41 3A 42 00", "A:B"},
        {"91 F2 12 00", "PRINT-1"},
        {"80 FD FE 00", "\x80\xFD\xFE"}, // no keyword: the byte itself
    });
}

TEST(LineDecoder, ElseTakesTheCharacterBeforeIt)
{
    expectAll({
        // 43856 of a saved pair: ELSE235:ELSEXY
        {"3A A1 0E EB 00 3A 3A A1 58 59 00", "ELSE235:ELSEXY"},
        {"41 A1 00", "ELSE"},        // whatever that character is
        {"91 A1 00", "PRINELSE"},    // one character, not a keyword
        {"A1 00", "ELSE"},           // none before it in the line: nothing goes
        {"8F 20 A1 00", "REM \xA1"}, // in a comment it is a character
        {"84 41 A1 3A A1 42 00", "DATAA\xA1"
                                 "ELSEB"},
    });
}

TEST(LineDecoder, ApostropheAndRemForms)
{
    expectAll({
        {"91 22 33 22 3A 3A 8F E6 20 01 41 00", "PRINT\"3\":' \x01"
                                                "A"}, // saved pair
        {"41 3A 8F E6 20 58 00", "A' X"},
        {"3A 8F E6 00", "'"},
        {"3A 8F 20 58 00", ":REM X"}, // the colon before REM is kept
        {"20 3A 8F 20 58 00", " :REM X"},
        {"41 3A 8F 20 58 00", "A:REM X"},
        {"8F E6 00", "REM\xE6"},                // not after :REM
        {"3A 8F 20 E6 00", ":REM \xE6"},        // nor after text that follows it
        {"3A 8F 3A 8F E6 00", ":REM:\x8F\xE6"}, // in a comment 8F is a character
        {"22 3A 8F E6 22 00", "\":\x8F\xE6\""}, // in a string no comment starts
        // Alone, the apostrophe code starts no comment.
        {"E6 91 3A 92 00", "'PRINT:CLEAR"},
    });
}

TEST(LineDecoder, StringsCommentsAndDataKeepTheirBytes)
{
    expectAll({
        {"91 20 22 41 3A 42 22 00", "PRINT \"A:B\""},
        {"8F 20 41 91 00", "REM A\x91"},
        {"22 91 22 91 00", "\"\x91\"PRINT"},
        {"22 FF 81 22 00", "\"\xFF\x81\""},
        {"8F 20 01 5A 00", "REM \x01Z"},
        {"22 01 41 22 00", "\"\x01"
                           "A\""},
        {"84 20 31 2C 22 61 3A 62 22 3A 91 00", "DATA 1,\"a:b\":PRINT"},
        {"84 31 3A 84 32 00", "DATA1:DATA2"},
        {"84 8F 3A 91 00", "DATA\x8F:PRINT"}, // 8F in DATA starts no comment
        // 80 of a saved pair: DATAabc,(graphic E)(graphic P)(80),"gh,i","jk , l",mno
        {"84 61 62 63 2C 01 45 01 50 80 2C 22 67 68 2C 69 22 2C 22 6A 6B 20 2C 20 6C 22 2C 6D 6E 6F 00",
         "DATAabc,\x01"
         "E\x01P\x80,\"gh,i\",\"jk , l\",mno"},
        // 43536 of a saved pair: a comment of keyword codes
        {"8F 20 EB F7 96 DE E5 F3 91 F9 A1 00", "REM \xEB\xF7\x96\xDE\xE5\xF3\x91\xF9\xA1"},
    });
}

TEST(LineDecoder, BytesOneToTenAreListedAsTheyAre)
{
    expectAll({
        // A saved pair's DATA line with control characters in its string.
        {"84 20 22 58 02 03 04 05 06 07 09 58 22 00", "DATA \"X\x02\x03\x04\x05\x06\x07\tX\""},
        {"22 0A 08 22 00", "\"\n\x08\""},
        {"8F 02 03 0A 00", "REM\x02\x03\n"},
        {"01 41 00", "\x01"
                     "A"},
        {"09 91 00", "\tPRINT"},
        {"05 41 00", "\x05"
                     "A"},
        {"02 03 04 06 07 08 09 0A 10 1B 1E 42 00", "\x02\x03\x04\x06\x07\x08\t\n10B"},
        // Not a pair: what follows 01 is read on its own.
        {"01 91 00", "\x01PRINT"},
        {"01 0F 0A 00", "\x01"
                        "10"},
    });
}

TEST(LineDecoder, ConstantsAreReadInEveryMode)
{
    expectAll({
        {"22 58 11 12 1B 58 22 00", "\"X0110X\""},
        {"8F 0C 34 12 00", "REM&H1234"},
        {"22 0F 07 22 00", "\"7\""},
        {"84 20 1C 10 27 2C 1D 41 15 00 00 00", "DATA 10000,1.5"},
        {"3A 8F E6 0E 0A 00 00", "'10"},
        // A 00 inside an operand does not end the line.
        {"8F 0F 00 41 00", "REM0A"},
        {"22 1C 00 01 22 00", "\"256\""},
        {"84 1D 00 00 00 00 41 00", "DATA0!A"},
    });
}

TEST(LineDecoder, IntegerConstants)
{
    expectAll({
        // Saved pairs.
        {"91 11 2C 12 2C 1A 2C 0F 0A 2C 0F FF 2C 1C 00 01 2C 1C FF 7F 00", "PRINT0,1,9,10,255,256,32767"},
        {"91 0C 0F 00 2C 0C 34 12 00", "PRINT&HF,&H1234"},
        {"91 0C FF FF 00", "PRINT&HFFFF"},
        {"91 0B FF FF 00", "PRINT&O177777"},
        {"91 0C 00 00 2C 0B 00 00 2C 26 42 00", "PRINT&H0,&O0,&B"},
        {"BD 0F 0F 2C 11 2C 12 00", "COLOR15,0,1"},
        // 0x1C is signed, 0x0E is not.
        {"1C FF FF 00", "-1"},
        {"1C 00 80 00", "-32768"},
        {"0E FF FF 00", "65535"},
        {"1B 00", "10"},
        {"0C FF 00 00", "&HFF"},
        {"0B 08 00 00", "&O10"},
        {"0E 0A 00 00", "10"},
        {"0F FF 00", "255"},
        {"11 00", "0"},
        {"1A 00", "9"},
        {"0C AB 0A 00", "&HAAB"},
        {"0B 07 00 00", "&O7"},
    });
}

TEST(LineDecoder, InterpreterMarkersListNothing)
{
    // 0x10 and 0x1E stand for a constant the interpreter read earlier, which
    // a listing of the file cannot know; they take no operand.
    expectAll({
        {"41 10 42 1E 43 00", "ABC"},
        {"22 10 00", "\""},
    });
}

TEST(LineDecoder, RealConstantsInLines)
{
    expectAll({
        // Saved pairs.
        {"91 1D 41 10 00 00 2C 1D 41 11 23 46 00", "PRINT1!,1.12346"},
        {"91 1D 3A 20 00 00 2C 1D 54 30 00 00 00", "PRINT2E-07,3E+19"},
        {"91 F2 1F 55 41 23 45 67 89 01 23 00", "PRINT-4.1234567890123E+20"},
        {"91 1F 56 51 23 00 00 00 00 00 3A 8F E6 64 00", "PRINT5.123E+21'd"},
        {"53 EF 1D 40 12 34 56 00", "S=.123456"},
        {"53 EF 1D 46 10 00 00 00", "S=100000!"},
        {"44 EF 1F 4F 12 34 56 78 90 12 35 00", "D=1.2345678901235E+14"},
        {"91 1D 04 70 00 00 00", "PRINT7E-61"},
    });
}

TEST(LineDecoder, FunctionPrefix)
{
    expectAll({
        {"FF 96 00", "CHR$"},
        {"58 24 EF FF 81 28 41 24 2C 14 29 00", "X$=LEFT$(A$,3)"},
        {"FF 2A 00", "CVD"}, // the top bit is not looked at
        {"FF 01 00", "LEFT$"},
        // No function: nothing is listed for the pair.
        {"FF B1 41 00", "A"},
        {"FF FF 41 00", "A"},
        {"FF 80 41 00", "A"},
        {"FF 3A 41 00", "A"},
        // A line end or a constant after the prefix keeps its meaning, so the
        // line ends where the interpreter's re-linking ends it.
        {"FF 00 41 00", ""},
        {"FF 0F 07 00", "7"},
        {"FF 16 00", "5"}, // not CHR$: a constant before a function number
        {"FF 0F 00 41 00", "0A"},
    });
}

TEST(LineDecoder, LineAddressListsTheNumberOfTheLineItPointsAt)
{
    struct Memory final : ProgramMemory {
        std::map<std::uint32_t, std::uint16_t> words;
        std::optional<std::uint16_t> wordAt(std::uint32_t address) override
        {
            const auto found = words.find(address);
            return found == words.end() ? std::nullopt : std::optional(found->second);
        }
    } memory;
    // The line whose link is at 8020H has its number at 8022H; the address
    // kept in the code is of the byte before the link.
    memory.words[0x8022] = 1234;
    EXPECT_EQ(decodeHex("89 0D 1F 80 00", &memory), "GOTO1234");
    EXPECT_EQ(decodeHex("22 0D 1F 80 22 00", &memory), "\"1234\"");
    // Where the program does not reach, the address itself is listed.
    EXPECT_EQ(decodeHex("89 0D 00 90 00", &memory), "GOTO36864");
    EXPECT_EQ(decodeHex("89 0D 1F 80 00"), "GOTO32799");
}

TEST(LineDecoder, BodyIsCutAtTheLineBuffersLength)
{
    const std::string a300(300, 'A');
    std::string hex;
    for (int i = 0; i < 300; ++i)
        hex += "41 ";
    EXPECT_EQ(decodeHex(hex + "00"), a300.substr(0, 255));

    // A constant across the limit is cut with the text; the rest of the line
    // is still read through its end, operands included.
    std::string across;
    for (int i = 0; i < 254; ++i)
        across += "41 ";
    const std::string bytes = hexBytes(across + "1C 10 27  0F 00  91  00  AA");
    MemorySource source(bytes);
    std::string text;
    EXPECT_TRUE(decodeLine(source, text));
    EXPECT_EQ(text, std::string(254, 'A') + "1");
    std::uint8_t next = 0;
    ASSERT_TRUE(source.next(next));
    EXPECT_EQ(next, 0xAA);

    // Exactly the limit is kept whole.
    std::string exact;
    for (int i = 0; i < 250; ++i)
        exact += "41 ";
    EXPECT_EQ(decodeHex(exact + "91 00"), std::string(250, 'A') + "PRINT");
}

TEST(LineDecoder, RealDigitAboveNineListsAsTheCharacterAfterNine)
{
    expectAll({
        {"1D 41 1A 00 00 00", "1.:"},
        {"1F 41 00 00 00 00 00 00 F0 00", "0.00000000000?#"},
        {"8F 20 1D 41 A0 00 00 00", "REM :!"}, // in a comment too
        {"91 1D 41 A0 00 00 00", "PRINT:!"},
    });
}

TEST(LineDecoder, InputEndingInsideAnItemKeepsWhatCameBefore)
{
    expectAll({
        {"91", "PRINT"},
        {"1C 10", ""},
        {"41 0C 34", "A"},
        {"41 1D 41 15 00", "A"},
        {"41 1F 41 15 00 00 00 00 00", "A"},
        {"41 01", "A\x01"},
        {"41 FF", "A"},
        {"41 3A", "A:"},
        {"41 3A 8F", "A:REM"},
        {"", ""},
    });
    const std::string bytes = hexBytes("41 0F");
    MemorySource source(bytes);
    std::string text;
    EXPECT_FALSE(decodeLine(source, text));
}

TEST(LineDecoder, ReadsExactlyThroughTheEndOfTheLine)
{
    const std::string bytes = hexBytes("91 00 AA");
    MemorySource source(bytes);
    EXPECT_EQ(decodeLine(source), "PRINT");
    std::uint8_t next = 0;
    ASSERT_TRUE(source.next(next));
    EXPECT_EQ(next, 0xAA);
}
