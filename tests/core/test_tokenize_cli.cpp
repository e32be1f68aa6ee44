// SPDX-License-Identifier: MIT
// quillet-convert --tokenize: a listing file to a program file, what it
// refuses, and the arguments it takes.

#include "ConvertRunner.h"
#include "convert/ConvertCli.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> filesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(TokenizeCli, AListingBecomesItsProgram)
{
    ScratchDir dir;
    writeFile(dir / "game.asc", "20 GOTO 10\r\n10 ?\"HI\"\r\n\x1A");
    const ConvertResult result = runConvert({"--tokenize", (dir / "game.asc").string(), (dir / "GAME.BAS").string()});
    ASSERT_EQ(result.status, cli::ExitOk) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(dir / "GAME.BAS"), hexBytes("FF  0B 80 0A 00 91 22 48 49 22 00"
                                                   "  15 80 14 00 89 20 0E 0A 00 00"
                                                   "  00 00"));
}

TEST(TokenizeCli, Utf8ListingsInEachSet)
{
    ScratchDir dir;
    // A kana in Japanese, a C cedilla in the other two sets.
    writeFile(dir / "jp.txt", "10 PRINT\"\uFF71\"\n");
    writeFile(dir / "intl.txt", "10 PRINT\"\u00C7\"\n");
    const std::string out = (dir / "out.bas").string();
    ASSERT_EQ(runConvert({"--tokenize", "--utf8", (dir / "jp.txt").string(), out}).status, cli::ExitOk);
    EXPECT_EQ(readFile(out), hexBytes("FF 0A 80 0A 00 91 22 B1 22 00 00 00"));
    for (const char* set : {"intl", "br"}) {
        ASSERT_EQ(runConvert({"--tokenize", "--utf8", "--charset", set, (dir / "intl.txt").string(), out}).status,
                  cli::ExitOk);
        EXPECT_EQ(readFile(out), hexBytes("FF 0A 80 0A 00 91 22 80 22 00 00 00")) << set;
    }
    const ConvertResult wrongSet = runConvert({"--tokenize", "--utf8", (dir / "intl.txt").string(), out});
    EXPECT_EQ(wrongSet.status, cli::ExitFailed);
    EXPECT_NE(wrongSet.err.find("U+00C7"), std::string::npos) << wrongSet.err;
}

TEST(TokenizeCli, ABadListingNamesTheLineAndWritesNothing)
{
    ScratchDir dir;
    const fs::path out = dir / "out.bas";
    struct Case {
        std::string listing;
        std::string said;
    };
    for (const Case& c : std::vector<Case>{
             {"10 END\r\n70000 END\r\n", "70000 is above 65529"},
             {"10 END\r\nEND\r\n", "text line 2: a line without a line number"},
             {"10 END\r\n20 A=1E200\r\n", "line 20: Overflow"},
             {"10 REM " + std::string(249, '-') + "\r\n", "256 characters"},
         }) {
        writeFile(dir / "bad.asc", c.listing);
        const ConvertResult result = runConvert({"--tokenize", (dir / "bad.asc").string(), out.string()});
        EXPECT_EQ(result.status, cli::ExitFailed) << c.said;
        EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("bad.asc"), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"bad.asc"}) << "no output, no temporary";
    }
    // An existing output stays as it was.
    writeFile(out, "old");
    EXPECT_EQ(runConvert({"--tokenize", (dir / "bad.asc").string(), out.string()}).status, cli::ExitFailed);
    EXPECT_EQ(readFile(out), "old");
}

TEST(TokenizeCli, ProgramsAndPicturesAreNotListings)
{
    ScratchDir dir;
    writeFile(dir / "game.bas", hexBytes("FF 07 80 0A 00 81 00 00 00"));
    writeFile(dir / "pic.sc5", hexBytes("FE 00 00 00 00 00 00"));
    const ConvertResult program = runConvert({"--tokenize", (dir / "game.bas").string(), (dir / "o").string()});
    EXPECT_EQ(program.status, cli::ExitFailed);
    EXPECT_NE(program.err.find("already a tokenized program"), std::string::npos) << program.err;
    const ConvertResult picture = runConvert({"--tokenize", (dir / "pic.sc5").string(), (dir / "o").string()});
    EXPECT_EQ(picture.status, cli::ExitFailed);
    EXPECT_NE(picture.err.find("BSAVE image"), std::string::npos) << picture.err;
    EXPECT_FALSE(fs::exists(dir / "o"));
}

TEST(TokenizeCli, OnlyTheUtf8OptionsGoWithIt)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--tokenize", "--rtf", "in"},
                                                                  {"--tokenize", "--screen", "5", "in"},
                                                                  {"--tokenize", "--hide-65530", "in"},
                                                                  {"--tokenize", "--charset", "jp", "in"},
                                                                  {"--tokenize"}}) {
        const ConvertResult result = runConvert(args);
        EXPECT_EQ(result.status, cli::ExitUsage) << args[1];
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
    EXPECT_NE(cli::usageText().find("--tokenize"), std::string::npos);
}
