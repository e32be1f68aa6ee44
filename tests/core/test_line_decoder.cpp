// Line bodies and the listing text they must give (line number not included).

#include "common/Errors.h"
#include "decoder/LineDecoder.h"
#include "decoder/TokenTables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::hexBytes;

namespace {

std::string decodeHex(std::string_view hex)
{
    const std::string bytes = hexBytes(hex);
    MemorySource source(bytes);
    return decodeLine(source);
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
    EXPECT_EQ(functionToken(0x81), "LEFT$");
    EXPECT_EQ(functionToken(0xB0), "MKD$");
    for (int code : {0x00, 0x20, 0x80, 0xFD, 0xFE, 0xFF})
        EXPECT_FALSE(statementToken(static_cast<std::uint8_t>(code))) << code;
    for (int code : {0x00, 0x80, 0xB1, 0xFF})
        EXPECT_FALSE(functionToken(static_cast<std::uint8_t>(code))) << code;
}

TEST(LineDecoder, KeywordsAndColonForms)
{
    expectAll({
        {"8B 41 EF 11 DA 91 3A A1 91 00", "IFA=0THENPRINTELSEPRINT"},
        {"A1 00", "ELSE"},
        {"41 3A 42 00", "A:B"},
        {"41 3A 8F E6 20 58 00", "A' X"},
        {"3A 8F 20 58 00", "REM X"},
        {"41 3A 8F 20 58 00", "A:REM X"},
        {"20 3A 8F 20 58 00", " REM X"}, // a blank alone is no text before the colon
        {"FF 96 00", "CHR$"},
        {"80 FD FE 00", "\x80\xFD\xFE"},
        {"91 F2 12 00", "PRINT-1"},
    });
}

TEST(LineDecoder, StringsCommentsAndDataAreLiteral)
{
    expectAll({
        {"91 20 22 41 3A 42 22 00", "PRINT \"A:B\""},
        {"8F 20 41 91 00", "REM A\x91"},
        {"22 91 22 91 00", "\"\x91\"PRINT"},
        {"84 20 31 2C 22 61 3A 62 22 3A 91 00", "DATA 1,\"a:b\":PRINT"},
        {"E6 91 3A 92 00", "'\x91:\x92"},
        {"8F 20 01 5A 00", "REM \x01Z"},
        {"22 01 41 22 00", "\"\x01"
                           "A\""},
        {"8F 0C 34 12 00", "REM&H1234"}, // control codes act even in comments
        {"22 0F 07 22 00", "\"7\""},
        {"84 31 3A 84 32 00", "DATA1:DATA2"},
    });
}

TEST(LineDecoder, IntegerConstants)
{
    expectAll({
        {"0C FF 00 00", "&HFF"},
        {"0C 00 00 00", "&H0"},
        {"0C 34 12 00", "&H1234"},
        {"0B 08 00 00", "&O10"},
        {"0B FF FF 00", "&O177777"},
        {"0B 00 00 00", "&O0"},
        {"0E 0A 00 00", "10"},
        {"0D 0A 00 00", "10"},
        {"1C FF FF 00", "65535"},
        {"0F FF 00", "255"},
        {"11 00", "0"},
        {"1A 00", "9"},
        {"01 41 00", "\x01"
                     "A"},
        {"05 41 00", "A"},
        {"02 03 04 06 07 08 09 0A 10 1B 1E 42 00", "B"},
    });
}

TEST(LineDecoder, RealConstants)
{
    expectAll({
        {"1D 41 15 00 00 00", "1.5"},
        {"1D 40 50 00 00 00", ".5"},
        {"1D 45 32 76 70 00", "32767!"},
        {"1D 45 32 76 75 00", "32767.5"},
        {"1D 45 40 00 00 00", "40000!"},
        {"1D 4E 10 00 00 00", "10000000000000!"},
        {"1D 4F 10 00 00 00", "1E+14"},
        {"1D 3E 10 00 00 00", "1E-03"},
        {"1D 3C 10 00 00 00", "1E-05"},
        {"1D 00 00 00 00 00", "0!"},
        {"1D C1 15 00 00 00", "-1.5"},
        {"1D 04 70 00 00 00", "7E-61"},
        {"1F 41 31 41 59 26 53 58 98 00", "3.1415926535898#"},
        {"1F 40 10 00 00 00 00 00 00 00", ".1#"},
        {"1F 45 40 00 00 00 00 00 00 00", "40000#"},
        {"1F 00 00 00 00 00 00 00 00 00", "0#"},
        {"1F 56 51 23 00 00 00 00 00 00", "5.123E+21"},
        {"1F 7F 99 99 99 99 99 99 99 00", "9.9999999999999E+62"},
    });
}

TEST(LineDecoder, BadRealDigitIsAConversionError)
{
    EXPECT_THROW(decodeHex("1D 41 1A 00 00 00"), QuilletError);
    EXPECT_THROW(decodeHex("1F 41 00 00 00 00 00 00 F0 00"), QuilletError);
    try {
        decodeHex("91 1D 41 A0 00 00 00");
        FAIL() << "no error";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::DamagedProgram);
    }
}

TEST(LineDecoder, InputEndingInsideAnItemKeepsWhatCameBefore)
{
    expectAll({
        {"91", "PRINT"},
        {"1C 10", ""},
        {"41 0C 34", "A"},
        {"41 1D 41 15 00", "A"},
        {"41 1F 41 15 00 00 00 00 00", "A"},
        {"41 01", "A"},
        {"41 FF", "A"},
        {"41 3A", "A"},
        {"41 3A 8F", "A"},
        {"", ""},
    });
}

TEST(LineDecoder, UnknownFunctionCodesAddNothing)
{
    expectAll({
        {"FF B1 41 00", "A"},
        {"FF FF 41 00", "A"},
        {"FF 00 41 00", ""},  // the line still ends at its 0x00
        {"FF 0F 07 00", "7"}, // an operand code keeps its operand
    });
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

TEST(LineDecoder, Helpers)
{
    EXPECT_EQ(stripLeadingZeros("000"), "0");
    EXPECT_EQ(stripLeadingZeros("0.5"), ".5");
    EXPECT_EQ(stripLeadingZeros("100"), "100");
    EXPECT_EQ(stripTrailingZeros("0.500"), "0.5");
    EXPECT_EQ(stripTrailingZeros("0.000"), "0.");
    EXPECT_EQ(octalDigits(8), "000010");
    EXPECT_EQ(octalDigits(0xFFFF), "177777");
}
