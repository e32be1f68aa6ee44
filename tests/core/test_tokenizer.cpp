// SPDX-License-Identifier: MIT
// Listings to tokenized programs: the keyword search, line numbers, the
// number reader with its rounding, the modes that keep text as typed, and
// whole files. Expected bytes are the worked examples of real MSX pairs
// where there is one, otherwise worked out by hand from the rules.

#include "common/Errors.h"
#include "decoder/TokenTables.h"
#include "decoder/Tokenizer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace quillet;
using quillet::test::hexBytes;

namespace {

struct BodyCase {
    std::string text;
    const char* bytes;
};

void expectBodies(const std::vector<BodyCase>& cases)
{
    for (const auto& c : cases) {
        std::string body;
        try {
            body = tokenizeBody(c.text);
        } catch (const QuilletError& error) {
            ADD_FAILURE() << "text: " << c.text << ": " << error.what();
            continue;
        }
        EXPECT_EQ(body, hexBytes(c.bytes)) << "text: " << c.text;
    }
}

// The message of the error a line gives, empty when it gives none.
std::string lineError(std::string_view text)
{
    try {
        tokenizeLine(text);
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::BadListing);
        return error.what();
    }
    return {};
}

std::string listingError(std::string_view text)
{
    try {
        tokenizeListing(text);
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::BadListing);
        return error.what();
    }
    return {};
}

bool contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(KeywordSearch, EveryKeywordIsFoundUnderItsLetterWithItsCode)
{
    std::set<std::pair<int, bool>> found;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        for (const KeywordEntry& entry : keywordsStartingWith(letter)) {
            EXPECT_EQ(entry.text[0], letter) << entry.text;
            const auto listed = entry.isFunction ? functionToken(entry.code) : statementToken(entry.code);
            ASSERT_TRUE(listed) << entry.text;
            if (entry.text == "GO TO")
                EXPECT_EQ(*listed, "GOTO");
            else
                EXPECT_EQ(*listed, entry.text);
            found.insert({entry.code, entry.isFunction});
        }
    }
    // Every code whose text starts with a letter: 0x81-0xFC less the signs
    // ' > = < + - * / ^ \ (10), and all 48 functions.
    EXPECT_EQ(found.size(), 124u - 10u + 48u);
    EXPECT_TRUE(keywordsStartingWith('J').empty());
    EXPECT_TRUE(keywordsStartingWith('Y').empty());
    EXPECT_TRUE(keywordsStartingWith('a').empty()) << "the caller makes letters upper case";
}

TEST(KeywordSearch, LineNumberKeywordsAreTheFourteen)
{
    std::set<std::string_view> names;
    for (int code = FirstStatementToken; code <= LastStatementToken; ++code) {
        if (takesLineNumbers(static_cast<std::uint8_t>(code)))
            names.insert(*statementToken(static_cast<std::uint8_t>(code)));
    }
    EXPECT_EQ(names, (std::set<std::string_view>{"GOTO", "GOSUB", "THEN", "ELSE", "RESTORE", "RUN", "LIST", "LLIST",
                                                 "DELETE", "RENUM", "AUTO", "RESUME", "RETURN", "ERL"}));
}

TEST(Tokenizer, KeywordsAreFoundFirstMatchAndInsideNames)
{
    expectBodies({
        {"SCORE", "53 43 F7 45"},       // S C OR E
        {"PRINT", "91"},                //
        {"print", "91"},                // any case
        {"?A", "91 41"},                // ? is PRINT
        {"DEFSTR A", "AB 20 41"},       // not DEF + STR...
        {"DEFFNA", "97 DE 41"},         // DEF FN A
        {"ERROR 5", "A6 20 16"},        // not ERR + OR
        {"INPUT A", "85 20 41"},        // not INP + UT
        {"LOCATE 1", "D8 20 12"},       // not LOC + ATE
        {"GO TO 10", "89 20 0E 0A 00"}, // the second spelling of GOTO
        {"GO  TO", "47 4F 20 20 D9"},   // only one blank in it
        {"C2AND2ANDABS(2)", "43 32 F6 13 F6 FF 86 28 13 29"},
        {"A1=1:AB2=2:A34=3", "41 31 EF 12 3A 41 42 32 EF 13 3A 41 33 34 EF 14"},
        {"A$=LEFT$(B$,2)", "41 24 EF FF 81 28 42 24 2C 13 29"},
        {"TAB(1)", "DB 12 29"},
        {"TAB (1)", "54 41 42 20 28 12 29"}, // the keyword holds its parenthesis
        {"A<>B", "41 F0 EE 42"},
        {"A+B-C*D/E^F\\G", "41 F1 42 F2 43 F3 44 F4 45 F5 46 FC 47"},
        {"LET OCT=&O10", "88 20 4F 43 54 EF 0B 08 00"},
        {"SETPAGE1,0", "D2 50 41 47 45 31 2C 11"},
        // After a name and blanks digits stay characters too, up to
        // anything else (two programs saved by MSX BASIC show both).
        {"SET PAGE 1,1", "D2 20 50 41 47 45 20 31 2C 12"},
        {"SET HAN 1,1", "D2 20 48 41 4E 20 31 2C 12"},
        {"A 1 2:B=3", "41 20 31 20 32 3A 42 EF 14"},
        {"PRINT A 1;2 TO 3", "91 20 41 20 31 3B 13 20 D9 20 14"},
    });
}

TEST(Tokenizer, TextStaysAsTypedInStringsCommentsAndData)
{
    expectBodies({
        {"PRINT\"ab:c ?'\"", "91 22 61 62 3A 63 20 3F 27 22"},
        {"PRINT\"open", "91 22 6F 70 65 6E"}, // a string may run to the end of the line
        {"PRINT\"3\":'x", "91 22 33 22 3A 3A 8F E6 78"},
        {"REM SAVE in it", "8F 20 53 41 56 45 20 69 6E 20 69 74"},
        {"A=1'c ? \"", "41 EF 12 3A 8F E6 63 20 3F 20 22"},
        {"REM \xEB\xF7\x01\x41", "8F 20 EB F7 01 41"},
        {"DATA abc,\x01"
         "E\x01P\x80,\"gh,i\",jkl",
         "84 20 61 62 63 2C 01 45 01 50 80 2C 22 67 68 2C 69 22 2C 6A 6B 6C"},
        {"DATA \"a:b\",c:PRINT", "84 20 22 61 3A 62 22 2C 63 3A 91"}, // the unquoted colon ends it
        {"DATA 1\x8F"
         "a:PRINT",
         "84 20 31 8F 61 3A 50 52 49 4E 54"},                              // 0x8F is REM even there
        {"CALL SYSTEM", "CA 20 53 59 53 54 45 4D"},                        //
        {"_system(\"a\"):?", "5F 53 59 53 54 45 4D 28 22 61 22 29 3A 91"}, // upper case up to (
        {"_A-b\x80\x01"
         "A\"c:PRINT",
         "5F 41 42 43 3A 91"},                  // signs below 0 dropped
        {"CALLSYSTEM", "CA 53 59 53 54 45 4D"}, //
    });
}

TEST(Tokenizer, OutsideTheModesMsxCharactersGoAndControlsAreBlanks)
{
    expectBodies({
        {"A\x80\xFF=1", "41 EF 12"},
        {"A\x01\x41=1", "41 EF 12"}, // a graphic pair outside a string
        {"A\x02=\x1F"
         "1",
         "41 20 EF 20 12"},
        {"\tA=1\n", "09 41 EF 12 0A"}, // tab and line feed stay
        {"  A  =  1  ", "20 20 41 20 20 EF 20 20 12 20 20"},
    });
}

TEST(Tokenizer, ElseIsStoredAfterAColon)
{
    expectBodies({
        {"ELSE235:ELSEXY", "3A A1 0E EB 00 3A 3A A1 58 59"},
        {"IFA THEN10ELSE20", "8B 41 20 DA 0E 0A 00 3A A1 0E 14 00"},
    });
}

TEST(Tokenizer, LineNumbersAfterTheKeywordsThatTakeThem)
{
    expectBodies({
        {"GOTO1234:GOTO50:GOTO9", "89 0E D2 04 3A 89 0E 32 00 3A 89 0E 09 00"},
        {"GOTO   50", "89 20 20 20 0E 32 00"},
        {"GOTO-789:GOTO123!", "89 F2 0E 15 03 3A 89 0E 7B 00 21"},
        {"GOTO-1,,-2,3:LETA=5", "89 F2 0E 01 00 2C 2C F2 0E 02 00 2C 0E 03 00 3A 88 41 EF 16"},
        {"THEN123:THENXY", "DA 0E 7B 00 3A DA 58 59"},
        {"ONXGOSUB10,20", "95 58 8D 0E 0A 00 2C 0E 14 00"},
        {"LIST 10-20", "93 20 0E 0A 00 F2 0E 14 00"},
        {"RESTORE 100", "8C 20 0E 64 00"},
        {"IFERL=100THEN", "8B E1 EF 0E 64 00 DA"},
        {"GOTO 1 0", "89 20 0E 0A 00"},    // blanks between digits are dropped
        {"GOTO 10 ", "89 20 0E 0A 00 20"}, // and the one after kept
        {"LIST .", "93 20 2E"},            // the current line, a character
        {"GOTO 1.5", "89 20 0E 01 00 2E 0E 05 00"},
        {"GOTO 65529", "89 20 0E F9 FF"},
        {"GOTO 65530", "89 20 0E 99 19 0E 00 00"}, // the digit that would pass 65529 starts the next
        // A name, a colon, a function or another statement ends it.
        {"THEN Y=Y-3", "DA 20 59 EF 59 F2 14"},
        {"GOTO 1:A=2", "89 20 0E 01 00 3A 41 EF 13"},
        {"GOTO ABS(2)", "89 20 FF 86 28 13 29"},
        {"THEN PRINT 5", "DA 20 91 20 16"},
        {"THEN?5", "DA 91 16"},
    });
}

TEST(Tokenizer, IntegersAndHexAndOctalConstants)
{
    expectBodies({
        {"PRINT0,1,9,10,255,256,32767", "91 11 2C 12 2C 1A 2C 0F 0A 2C 0F FF 2C 1C 00 01 2C 1C FF 7F"},
        {"A=-1:B=-10000", "41 EF F2 12 3A 42 EF F2 1C 10 27"},
        {"A=007", "41 EF 18"},
        {"A=1 2 3 ", "41 EF 0F 7B 20"}, // blanks inside dropped, after kept
        {"PRINT&HF,&H1234", "91 0C 0F 00 2C 0C 34 12"},
        {"PRINT&HFFFF", "91 0C FF FF"},
        {"PRINT&O177777", "91 0B FF FF"},
        {"PRINT&H0,&O0,&B", "91 0C 00 00 2C 0B 00 00 2C 26 42"},
        {"PRINT&B1111", "91 26 42 31 31 31 31"}, // &B stays text
        {"A=&hff", "41 EF 0C FF 00"},
        {"A=& H 1 F", "41 EF 0C 1F 00"},
        {"A=&H", "41 EF 0C 00 00"},
        {"A=&O8", "41 EF 0B 00 00 19"}, // 8 is no octal digit
        {"A&", "41 26"},
        {"A=5%", "41 EF 16"},
        {"A=1.9%", "41 EF 12"}, // the fraction is dropped
        {"A=32767%", "41 EF 1C FF 7F"},
    });
}

TEST(Tokenizer, RealConstantsFollowTheNumberReader)
{
    expectBodies({
        // From real pairs.
        {"PRINT1!", "91 1D 41 10 00 00"},
        {"PRINT1.12346", "91 1D 41 11 23 46"},
        {"S=.123456", "53 EF 1D 40 12 34 56"},
        {"S=12345.6", "53 EF 1D 45 12 34 56"},
        {"S=123456!", "53 EF 1D 46 12 34 56"},
        {"S=100000!", "53 EF 1D 46 10 00 00"},
        {"PRINT2E-07", "91 1D 3A 20 00 00"},
        {"PRINT3E+19", "91 1D 54 30 00 00"},
        {"PRINT-4.1234567890123E+20", "91 F2 1F 55 41 23 45 67 89 01 23"},
        {"D=1.2345678901235E+14", "44 EF 1F 4F 12 34 56 78 90 12 35"},
        // What the lister writes for the ROM's forms reads back to them.
        {"32767.5", "1D 45 32 76 75"},
        {".05", "1D 3F 50 00 00"},
        {"1E-03", "1D 3E 10 00 00"},
        {"10000000000000!", "1D 4E 10 00 00"},
        {"1E+14", "1D 4F 10 00 00"},
        {"12345678901234#", "1F 4E 12 34 56 78 90 12 34"},
        {"7E-61", "1D 04 70 00 00"},
        {"0!", "1D 00 00 00 00"},
        {"0#", "1F 00 00 00 00 00 00 00 00"},
        {"1#", "1F 41 10 00 00 00 00 00 00"},
        {".1#", "1F 40 10 00 00 00 00 00 00"},
        {"40000!", "1D 45 40 00 00"},
        // Type by digits: above 32767 single, a seventh digit double.
        {"40000", "1D 45 40 00 00"},
        {"32768", "1D 45 32 76 80"},
        {"123456", "1D 46 12 34 56"},
        {"1234567", "1F 47 12 34 56 70 00 00 00"},
        {"0.000001", "1D 3B 10 00 00"}, // leading zeros do not count
        {"1.000000", "1F 41 10 00 00 00 00 00 00"},
        {"1.", "1D 41 10 00 00"},
        {"0.0", "1D 00 00 00 00"},
        {"1E5", "1D 46 10 00 00"},
        {"1e5", "1D 46 10 00 00"},
        {"1D5", "1F 46 10 00 00 00 00 00 00"},
        {"1.5E-3", "1D 3E 15 00 00"},
        {"1 . 5 E - 3 ", "1D 3E 15 00 00 20"},
        {"2E", "1D 41 20 00 00"},
        {"1234567E3", "1F 4A 12 34 56 70 00 00 00"}, // seven digits: double even with E
        {"1E0005", "1D 46 10 00 00"},
        // Rounding: a double on its 15th digit, a single with ! on its 7th.
        {"1.23456789012345", "1F 41 12 34 56 78 90 12 35"},
        {"1.23456789012344", "1F 41 12 34 56 78 90 12 34"},
        {"99999999999999.5", "1F 4F 10 00 00 00 00 00 00"},
        {"12345678901234567890", "1F 54 12 34 56 78 90 12 35"}, // past 16 digits only the point moves
        {"1234567!", "1D 47 12 34 57"},
        {"1.2345649!", "1D 41 12 34 56"},
        {"0.9999999!", "1D 40 10 00 00"}, // the carry is lost
        {"999999.5!", "1D 46 10 00 00"},
        // Where a suffix or an exponent letter is not one.
        {"1E5#", "1D 46 10 00 00 23"},
        {"1E5!", "1D 46 10 00 00 21"},
        {"IFA=1ELSE", "8B 41 EF 12 3A A1"},
        {"A=1EQV2", "41 EF 12 F9 13"},
        {"A=1 ELSE", "41 EF 12 20 3A A1"},
        {"A=1.2.3", "41 EF 1D 41 12 00 00 1D 40 30 00 00"},
        {"A=.", "41 EF 2E"},
        // A name's digits are characters; after the name a number starts.
        {"A1.5", "41 31 1D 40 50 00 00"},
    });
}

TEST(Tokenizer, NumbersTooLargeForTheirTypeAreOverflow)
{
    for (const char* text : {"10 A=40000%", "10 A=1E120", "10 A=1E-120", "10 A=1E99", "10 A=&H10000", "10 A=&O200000",
                             "10 A=1234567890123456789012345678901234567890123456789012345678901234"}) {
        const std::string error = lineError(text);
        EXPECT_TRUE(contains(error, "line 10") && contains(error, "Overflow")) << text << ": " << error;
    }
    // The largest that fit.
    expectBodies({
        {"1E62", "1D 7F 10 00 00"},
        {"1E-64", "1D 01 10 00 00"},
        {"1E-65", "1D 00 00 00 00"}, // too small: zero
        {"&HFFFF", "0C FF FF"},
    });
}

TEST(Tokenizer, TheLineNumberAndTheBlankAfterIt)
{
    auto line = [](std::string_view text) {
        const TokenizedLine tokenized = tokenizeLine(text);
        return std::pair(unsigned{tokenized.number}, tokenized.body);
    };
    EXPECT_EQ(line("10 PRINT"), std::pair(10u, hexBytes("91")));
    EXPECT_EQ(line("   10   PRINT"), std::pair(10u, hexBytes("20 20 91")));
    EXPECT_EQ(line("1 0 PRINT"), std::pair(10u, hexBytes("91")));
    EXPECT_EQ(line("10PRINT"), std::pair(10u, hexBytes("91")));
    EXPECT_EQ(line("10\tPRINT"), std::pair(10u, hexBytes("09 91")));
    EXPECT_EQ(line("0010 END"), std::pair(10u, hexBytes("81")));
    EXPECT_EQ(line("0 PRINT"), std::pair(0u, hexBytes("20 91"))) << "line 0 keeps its blank";
    EXPECT_EQ(line("65529 END"), std::pair(65529u, hexBytes("81")));
    EXPECT_EQ(line("10"), std::pair(10u, std::string()));
    EXPECT_EQ(line("10   "), std::pair(10u, std::string()));

    EXPECT_TRUE(contains(lineError("65530 END"), "65530 is above 65529"));
    EXPECT_TRUE(contains(lineError("6553 0 END"), "65530 is above 65529"));
    EXPECT_TRUE(contains(lineError("99999999999999999999 END"), "is above 65529"));
    EXPECT_TRUE(contains(lineError("PRINT 10"), "without a line number"));
    EXPECT_TRUE(contains(lineError("  ?"), "without a line number"));
    EXPECT_TRUE(contains(lineError(std::string("10 A\0B", 6)), "0x00"));
    // Codes that the lister reads as number constants are kept as they
    // are where text is kept, as MSX BASIC keeps them.
    EXPECT_EQ(line("10 PRINT\"\x1F\""), std::pair(10u, hexBytes("91 22 1F 22")));
    EXPECT_EQ(line("10 REM \x0B"), std::pair(10u, hexBytes("8F 20 0B")));
    EXPECT_EQ(line("10 DATA 1\x11"), std::pair(10u, hexBytes("84 20 31 11")));
    EXPECT_EQ(lineError("10 A=\x1F"
                        "1:REM \x08\x02"),
              "")
        << "a blank outside, below 0x0B kept";
    EXPECT_EQ(lineError("1 '" + std::string(252, 'x')), "") << "255 characters are read";
    EXPECT_TRUE(contains(lineError("1 '" + std::string(253, 'x')), "256 characters"));
}

TEST(Tokenizer, ProgramsAreLinesInNumberOrderLinkedFrom8001)
{
    // The two-line program of the worked examples: links 8007 and 800D.
    EXPECT_EQ(tokenizeListing("10 END\r\n20 END\r\n\x1A"), hexBytes("FF 07 80 0A 00 81 00  0D 80 14 00 81 00  00 00"));
    EXPECT_EQ(tokenizeListing(""), hexBytes("FF 00 00"));
    EXPECT_EQ(tokenizeListing("\x1A"
                              "10 END\r\n"),
              hexBytes("FF 00 00"));
    // Line ends of any kind, and a last line without one.
    const std::string expected = tokenizeListing("10 END\r\n20 END\r\n");
    EXPECT_EQ(tokenizeListing("10 END\n20 END\n"), expected);
    EXPECT_EQ(tokenizeListing("10 END\r20 END"), expected);
    EXPECT_EQ(tokenizeListing("\r\n10 END\r\n   \r\n20 END\x1A"
                              "30 END\r\n"),
              expected);
    // Sorted; a later line replaces an earlier one; a bare number deletes.
    EXPECT_EQ(tokenizeListing("20 END\n10 END\n"), expected);
    EXPECT_EQ(tokenizeListing("10 STOP\n20 END\n10 END\n"), expected);
    EXPECT_EQ(tokenizeListing("10 END\n15 STOP\n20 END\n15\n"), expected);
    EXPECT_EQ(tokenizeListing("10 END\n20 END\n30\n"), expected) << "deleting a line that is not there";
    EXPECT_EQ(tokenizeListing("10 END\n20 STOP\n20\n20 END\n"), expected);
    // Another start address moves every link.
    EXPECT_EQ(tokenizeListing("10 END\n", TokenizeOptions{0x9000}), hexBytes("FF 06 90 0A 00 81 00 00 00"));
}

TEST(Tokenizer, ABadLineNamesItsNumberAndItsTextLine)
{
    const std::string overflow = listingError("10 END\r\n20 A=1E200\r\n");
    EXPECT_TRUE(contains(overflow, "line 20") && contains(overflow, "text line 2")) << overflow;
    const std::string noNumber = listingError("10 END\r\n\r\nPRINT\r\n");
    EXPECT_TRUE(contains(noNumber, "text line 3") && contains(noNumber, "without a line number")) << noNumber;
    const std::string tooHigh = listingError("10 END\n70000 END\n");
    EXPECT_TRUE(contains(tooHigh, "text line 2") && contains(tooHigh, "70000")) << tooHigh;

    // Lines of 251 bytes: 130 fit from 8001H with the end mark at FF77H;
    // a 131st would end past FFFFH.
    std::string big;
    for (int number = 1; number <= 130; ++number)
        big += std::to_string(number) + " REM" + std::string(245, 'x') + "\n";
    const std::string program = tokenizeListing(big);
    EXPECT_EQ(program.size(), 1u + 130u * 251u + 2u);
    EXPECT_EQ(program.substr(program.size() - 2 - 251, 2), hexBytes("77 FF")) << "the last link";
    const std::string full = listingError(big + "131 REM" + std::string(245, 'x'));
    EXPECT_TRUE(contains(full, "line 131") && contains(full, "FFFFH")) << full;
    // As MSX BASIC reading the text, the line that passes the limit is
    // refused there, whatever the lines after it would delete.
    const std::string passed = listingError(big + "131 REM" + std::string(245, 'x') + "\n1\n2\n" + big);
    EXPECT_TRUE(contains(passed, "line 131") && contains(passed, "text line 131")) << passed;
}
