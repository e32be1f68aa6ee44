// SPDX-License-Identifier: MIT
// quillet-convert end to end and the bundled sample.

#include "ConvertRunner.h"
#include "common/AnnotatedHex.h"
#include "common/ByteStream.h"
#include "common/Errors.h"
#include "convert/ConvertCli.h"
#include "decoder/ListingConverter.h"
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
        names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(Samples, BinarySamplesAreMadeFromTheirHexSources)
{
    for (const auto& path : filesIn(sourceDir() / "samples")) {
        if (fs::path(path).extension() != ".hex")
            continue;
        const fs::path binary = fs::path(path).replace_extension();
        ASSERT_TRUE(fs::exists(binary)) << binary;
        EXPECT_EQ(bytesFromAnnotatedHex(readFile(path)), readFile(binary)) << binary << " differs from its .hex";
    }
}

TEST(ConvertCli, SampleGivesTheExpectedListing)
{
    ScratchDir dir;
    const fs::path out = dir / "sample.asc";
    ASSERT_EQ(runConvert({samplePath("sample.bas").string(), out.string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(out), readFile(sourceDir() / "tests/data/sample.bas.listing"));

    ASSERT_EQ(runConvert({"--hide-65530", samplePath("sample.bas").string(), out.string()}).status, cli::ExitOk);
    const std::string hidden = readFile(out);
    EXPECT_EQ(hidden.find("65530 "), std::string::npos);
    EXPECT_NE(hidden.find("110 GOTO 10\r\n"), std::string::npos);
}

TEST(ConvertCli, AddressesStartEachLineOfTheSample)
{
    ScratchDir dir;
    const fs::path out = dir / "sample.asc";
    ASSERT_EQ(runConvert({"--addresses", samplePath("sample.bas").string(), out.string()}).status, cli::ExitOk);
    // The sample's link fields: where each line after the first lies.
    const char* const addresses[] = {"8001", "801E", "8038", "804E", "805D", "806C",
                                     "809A", "80BC", "80D7", "80ED", "810C", "8116"};
    std::string expected;
    const std::string plain = readFile(sourceDir() / "tests/data/sample.bas.listing");
    std::size_t line = 0;
    for (std::size_t start = 0, end; (end = plain.find("\r\n", start)) != std::string::npos; start = end + 2) {
        ASSERT_LT(line, std::size(addresses));
        expected += std::string(addresses[line++]) + ' ' + plain.substr(start, end + 2 - start);
    }
    EXPECT_EQ(line, std::size(addresses));
    EXPECT_EQ(readFile(out), expected);

    ASSERT_EQ(runConvert({"--addresses", "--hide-65530", samplePath("sample.bas").string(), out.string()}).status,
              cli::ExitOk);
    EXPECT_EQ(readFile(out), expected.substr(0, expected.find("8116 65530 ")));
}

TEST(ConvertCli, PlainTextIsCopiedAsItIs)
{
    ScratchDir dir;
    const std::string text = "10 PRINT \"\xB6\"\n20 END\x1A";
    writeFile(dir / "plain.asc", text);
    ASSERT_EQ(runConvert({(dir / "plain.asc").string(), (dir / "out").string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(dir / "out"), text);
    writeFile(dir / "empty", "");
    ASSERT_EQ(runConvert({(dir / "empty").string(), (dir / "out").string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(dir / "out"), "");

    // Every byte value a listing holds (control codes would make it a
    // binary file), ending before, at and after the first read and across
    // the copy's blocks; into a file and into a batch's folder.
    for (const std::size_t size :
         {std::size_t{1}, std::size_t{65535}, std::size_t{65536}, std::size_t{65537}, (std::size_t{3} << 20) + 5}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>((i * 7 + i / 256) & 0xFF);
            bytes[i] = byte < 0x20 ? '\n' : static_cast<char>(byte);
        }
        bytes[0] = '1';
        writeFile(dir / "big.asc", bytes);
        ASSERT_EQ(runConvert({(dir / "big.asc").string(), (dir / "out").string()}).status, cli::ExitOk);
        EXPECT_TRUE(readFile(dir / "out") == bytes) << size;
        ASSERT_EQ(runConvert({"--output-dir", (dir / "folder").string(), (dir / "big.asc").string()}).status,
                  cli::ExitOk);
        EXPECT_TRUE(readFile(dir / "folder" / "big.asc") == bytes) << size;
    }
}

TEST(ConvertCli, WrongArgumentsGiveStatusTwo)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"--bogus", "x"},
                                                                  {"a", "b", "c"},
                                                                  {"--screen"},
                                                                  {"--screen", "x5", "in"},
                                                                  {"--kanji", "in"},
                                                                  {"--html", "--utf8", "in"},
                                                                  {"--colours", "msx", "in"},
                                                                  {"--html", "--colours", "blue", "in"},
                                                                  {"--html", "--tokenize", "in"}}) {
        const ConvertResult result = runConvert(args);
        EXPECT_EQ(result.status, cli::ExitUsage);
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
}

TEST(ConvertCli, FailuresGiveStatusOneAndLeaveNoOutput)
{
    ScratchDir dir;
    const fs::path out = dir / "out";
    ConvertResult missing = runConvert({(dir / "missing.bas").string(), out.string()});
    EXPECT_EQ(missing.status, cli::ExitFailed);
    EXPECT_NE(missing.err.find("missing.bas"), std::string::npos);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1);

    // A picture of a screen mode that has none (a program lists whatever
    // its bytes, as MSX BASIC does).
    writeFile(dir / "bad.sc9", hexBytes("FE 00 00 00 00 00 00 11 22"));
    ConvertResult bad = runConvert({(dir / "bad.sc9").string(), out.string()});
    EXPECT_EQ(bad.status, cli::ExitFailed);
    EXPECT_NE(bad.err.find("SCREEN 9"), std::string::npos) << bad.err;

    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{(dir / "bad.sc9").string()})
        << "a temporary file was left behind";
}

TEST(ConvertCli, FailedConversionKeepsAnExistingOutput)
{
    ScratchDir dir;
    writeFile(dir / "out", "old");
    writeFile(dir / "bad.sc9", hexBytes("FE 00 00 00 00 00 00 11 22"));
    EXPECT_EQ(runConvert({(dir / "bad.sc9").string(), (dir / "out").string()}).status, cli::ExitFailed);
    EXPECT_EQ(readFile(dir / "out"), "old");
}

TEST(Samples, EveryPrefixOfTheSampleConvertsCleanly)
{
    const std::string program = readFile(samplePath("sample.bas")).substr(1);
    const std::string full = readFile(sourceDir() / "tests/data/sample.bas.listing");
    for (std::size_t length = 0; length <= program.size(); ++length) {
        MemorySource source(std::string_view(program).substr(0, length));
        StringSink sink;
        ASSERT_NO_THROW(convertTokenizedBasic(source, sink, {})) << length;
        // A cut program gives whole lines, the last one possibly shortened.
        const std::string& listing = sink.str();
        ASSERT_TRUE(listing.empty() || listing.ends_with("\r\n")) << length;
        const std::size_t lastLine = listing.rfind("\r\n", listing.size() - 3);
        const std::size_t keep = lastLine == std::string::npos ? 0 : lastLine + 2;
        EXPECT_EQ(listing.substr(0, keep), full.substr(0, keep)) << length;
    }
}
