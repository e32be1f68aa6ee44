// SPDX-License-Identifier: MIT
// What each stretch of a listed line is, as the decoder tells it for a
// program's bytes and the tokenizer for a text line; and that both tell
// the same for a line written as the listing writes it.

#include "common/Errors.h"
#include "decoder/LineDecoder.h"
#include "decoder/Tokenizer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace quillet;
using quillet::test::hexBytes;

namespace {

// One letter per byte of the text: n line number, K keyword, R line
// reference, N number, S string, C comment, D data, V variable, O
// operator, . text.
std::string maskOf(std::string_view text, const LineRoles& roles)
{
    static constexpr char Letters[RoleCount + 1] = ".nKRNSCDVO";
    std::string mask(text.size(), '.');
    std::size_t covered = 0;
    for (const RoleSpan& span : roles) {
        EXPECT_GE(span.start, covered) << "spans overlap or are out of order";
        EXPECT_GT(span.length, 0u);
        EXPECT_LE(span.start + span.length, text.size());
        covered = span.start + span.length;
        for (std::size_t i = span.start; i < covered && i < text.size(); ++i)
            mask[i] = Letters[static_cast<std::size_t>(span.role)];
    }
    return mask;
}

struct DecodedCase {
    const char* bytes;
    std::string text;
    std::string mask;
};

} // namespace

TEST(DecoderRoles, EveryKindOfByteHasItsRole)
{
    const std::vector<DecodedCase> cases = {
        // Strings hold their quotes, graphic pairs and constants.
        {"91 20 22 41 01 41 3A 11 22 3A 41 24 EF 12 00",
         "PRINT \"A\x01"
         "A:0\":A$=1",
         "KKKKK.SSSSSSSOVVON"},
        // Sign operators, operator words.
        {"41 EF 42 F1 43 F3 44 FC 45 F4 46 F5 47 F2 48 F6 49 FB 4A F0 EE 4B E0 4C 00",
         "A=B+C*D\\E/F^G-HANDIMODJ<>KNOTL", "VOVOVOVOVOVOVOVKKKVKKKVOOVKKKV"},
        // Functions; a function prefix before a constant is the constant.
        {"58 EF FF 96 28 FF 81 28 41 24 2C 13 29 29 2B FF 0F 07 00", "X=CHR$(LEFT$(A$,2))+7", "VOKKKKOKKKKKOVVONOOON"},
        // Codes with no keyword are characters; so are TAB and the rest up to 0x0A.
        {"80 FD FE 09 02 00", "\x80\xFD\xFE\t\x02", "....."},
        // Every constant; 0x10 and 0x1E list nothing.
        {"91 0B 08 00 2C 0C FF 00 2C 0F 0A 2C 11 2C 1A 2C 1B 2C 1C 10 27 2C 1D 41 15 00 00 2C"
         " 1F 41 31 41 59 26 53 58 98 2C 10 1E 00",
         "PRINT&O10,&HFF,10,0,9,10,10000,1.5,3.1415926535898#,",
         "KKKKKNNNNONNNNONNONONONNONNNNNONNNONNNNNNNNNNNNNNNNO"},
        // Line numbers after GOTO in ON lists, each its own reference, and
        // a line address (0x0D), listed as its own value without the program.
        {"95 20 58 20 89 20 0E 0A 00 2C 0E 14 00 3A 8D 0D 0A 80 00", "ON X GOTO 10,20:GOSUB32778",
         "KK.V.KKKK.RRORROKKKKKRRRRR"},
        // ELSE takes the colon before it.
        {"8B 41 DA 0E 0A 00 3A A1 0E 14 00 00", "IFATHEN10ELSE20", "KKVKKKKRRKKKKRR"},
        {"91 A1 00", "PRINELSE", "KKKKKKKK"},
        // REM, with a colon before it and without.
        {"41 3A 8F 20 22 3A 91 0E 0A 00 00",
         "A:REM \":\x91"
         "10",
         "VOCCCCCCCCC"},
        {"3A 8F 20 58 00", ":REM X", "OCCCCC"},
        // The apostrophe stands for colon and REM; alone it is a keyword.
        {"41 3A 8F E6 20 0E 0A 00 00", "A' 10", "VCCCC"},
        {"E6 91 00", "'PRINT", "KKKKKK"},
        // DATA text up to the colon outside quotes, blanks and all.
        {"84 20 31 2C 22 61 3A 62 22 3A 91 00", "DATA 1,\"a:b\":PRINT", "KKKKDDDDDDDDOKKKKK"},
        {"84 20 11 2C 0E 0A 00 00", "DATA 0,10", "KKKKDDDDD"},
        // An extension's name up to a colon or a parenthesis.
        {"CA 20 4D 55 53 49 43 28 12 29 3A 5F 54 55 52 42 4F 20 4F 4E 00", "CALL MUSIC(1):_TURBO ON",
         "KKKK.KKKKKONOOKKKKKK.KK"},
        // A name's digits and type mark; digits after a blank are a number,
        // as is &B with its digits.
        {"41 31 25 EF 26 42 31 30 31 3A 50 41 47 45 20 31 2C 12 00", "A1%=&B101:PAGE 1,1", "VVVONNNNNOVVVV.NON"},
        {"23 31 2C 41 24 20 24 00", "#1,A$ $", "ONOVV.O"},
    };
    for (const DecodedCase& c : cases) {
        const std::string bytes = hexBytes(c.bytes);
        MemorySource source(bytes);
        LineRoles roles{{0, 1, Role::Keyword}}; // replaced, not added to
        const std::string text = decodeLine(source, nullptr, &roles);
        EXPECT_EQ(text, c.text) << c.bytes;
        EXPECT_EQ(maskOf(text, roles), c.mask) << c.bytes;
    }
}

TEST(DecoderRoles, StopAtTheLineBuffersLength)
{
    // A string past the 255 bytes listed: its span is cut with the text.
    std::string hex = "91 22";
    for (int i = 0; i < 300; ++i)
        hex += " 41";
    const std::string bytes = hexBytes(hex + " 00");
    MemorySource source(bytes);
    LineRoles roles;
    const std::string text = decodeLine(source, nullptr, &roles);
    ASSERT_EQ(text.size(), MaxListedBody);
    EXPECT_EQ(roles, (LineRoles{{0, 5, Role::Keyword}, {5, 250, Role::String}}));
}

TEST(TokenizerRoles, TextAsWrittenAndLinesMsxBasicWouldRefuse)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"10 ?a$:goto 20", "nn.KVVOKKKK.RR"},
        {" 1 0 print 1 0,&h f", ".nnn.KKKKK.NNNONNNN"}, // blanks within numbers
        {"0 END", "n.KKK"},                             // line 0 keeps its blank
        {"PRINT 10", "KKKKK.NN"},                       // no number: all body
        {"", ""},
        {"65536 A=1E999:B=&H12345", "nnnnn.VONNNNNOVONNNNNNN"}, // overflows are numbers
        {"10 data 1, 2 :rem x", "nn.KKKKDDDDDDOCCCCC"},
        {"10 call music:_sound 1", "nn.KKKK.KKKKKOKKKKKK.K"},
        {"10 set page 1,1", "nn.KKK.VVVV.NON"},
        {std::string("10 A\0B", 6), "nn.V.V"},
        {"20 IF A THEN 30 ELSE 40 '", "nn.KK.V.KKKK.RR.KKKK.RR.C"},
    };
    for (const auto& [line, mask] : cases)
        EXPECT_EQ(maskOf(line, rolesOfTextLine(line)), mask) << line;
}

TEST(TokenizerRoles, AreTheDecodersForEveryLineInListedForm)
{
    // Lines made of pieces at random; those that list back as written
    // (most do) must get the same roles from the text as from the bytes.
    static const char* const Pieces[] = {"PRINT",
                                         "GOTO 100",
                                         "GOSUB 20",
                                         "IF",
                                         "THEN 30",
                                         "ELSE 40",
                                         "FOR",
                                         "TO",
                                         "STEP",
                                         "NEXT",
                                         "AND",
                                         "MOD",
                                         "CHR$(",
                                         "LEFT$(",
                                         "ON X GOTO 10,20,30",
                                         "RESTORE 50",
                                         "A",
                                         "B1",
                                         "SC",
                                         "X$",
                                         "N%",
                                         "PAGE",
                                         "1",
                                         "10",
                                         "255",
                                         "1000",
                                         "32767",
                                         "1.5",
                                         "3.1415926535898#",
                                         "1E+20",
                                         ".5",
                                         "&HFF",
                                         "&O17",
                                         "&B101",
                                         "\"HELLO\"",
                                         "\"A:B\"",
                                         "\"\x01"
                                         "A\"",
                                         "=",
                                         "+",
                                         "-",
                                         "*",
                                         "/",
                                         "\\",
                                         "<",
                                         ">",
                                         ",",
                                         ";",
                                         "(",
                                         ")",
                                         ":",
                                         " ",
                                         "  ",
                                         "#",
                                         "DATA 1,\"A:B\",3:",
                                         "CALL MUSIC:",
                                         "_TURBO ON:",
                                         "SCORE",
                                         "\x80",
                                         "ERL",
                                         "REM X",
                                         "'NOTE"};
    std::mt19937 random(27);
    int compared = 0;
    for (int n = 0; n < 3000; ++n) {
        std::string body;
        for (int pieces = 1 + static_cast<int>(random() % 8); pieces > 0; --pieces)
            body += Pieces[random() % std::size(Pieces)];
        const std::string line = std::to_string(1 + random() % 65529) + " " + body;
        std::string stored;
        try {
            stored = tokenizeLine(line).body;
        } catch (const QuilletError&) {
            continue;
        }
        stored += '\0';
        MemorySource source(stored);
        LineRoles decoded;
        const std::string listed = decodeLine(source, nullptr, &decoded);
        if (listed != body)
            continue;
        ++compared;
        const std::size_t bodyAt = line.size() - body.size();
        LineRoles expected{{0, static_cast<std::uint32_t>(bodyAt - 1), Role::LineNumber}};
        for (const RoleSpan& span : decoded)
            expected.push_back({span.start + static_cast<std::uint32_t>(bodyAt), span.length, span.role});
        const LineRoles told = rolesOfTextLine(line);
        EXPECT_EQ(maskOf(line, told), maskOf(line, expected)) << line;
        EXPECT_EQ(told, expected) << line;
    }
    EXPECT_GT(compared, 1500);
}
