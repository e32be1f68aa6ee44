// SPDX-License-Identifier: MIT
// quillet-convert --rtf: the viewer's RTF temporary file for a listing,
// with the built-in settings or in Kanji mode.

#include "convert/ConvertCli.h"
#include "render/RtfListing.h"
#include "render/RtfReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

int runConvert(const std::vector<std::string>& args)
{
    std::FILE* err = std::tmpfile();
    std::FILE* out = std::tmpfile();
    const int status = cli::run(args, out, err);
    std::fclose(err);
    std::fclose(out);
    return status;
}

std::string rtfOf(std::string_view listing, const RtfListingOptions& options)
{
    MemorySource source(listing);
    StringSink sink;
    writeRtfListing(source, sink, options);
    return sink.str();
}

} // namespace

TEST(ConvertRtf, TokenizedSampleGivesTheListingAsRtf)
{
    ScratchDir dir;
    const std::string listing = readFile(sourceDir() / "tests/data/sample.bas.listing");
    ASSERT_EQ(runConvert({"--rtf", samplePath("sample.bas").string(), (dir / "a.rtf").string()}), cli::ExitOk);
    const std::string rtf = readFile(dir / "a.rtf");
    EXPECT_EQ(rtf, rtfOf(listing, RtfListingOptions::fromSettings(Settings())));
    EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl"
                                "{\\f0\\fnil\\fcharset2 MSX ROM 8dot;}"));
    // One file line per listing line, between the header and the closing.
    const auto lines = std::count(listing.begin(), listing.end(), '\r');
    EXPECT_EQ(std::count(rtf.begin(), rtf.end(), '\n'), lines + 2);
    // The graphic characters of line 50 went to font 1.
    EXPECT_NE(rtf.find("\\'22\\f1\\'41\\f0\\f1\\'42\\f0\\f1\\'57\\f0\\'22\\par"), std::string::npos);
}

TEST(ConvertRtf, KanjiModeAsTheSettingsDialogConfirmsIt)
{
    ScratchDir dir;
    writeFile(dir / "plain.txt", "10 PRINT \"\x82\xA0\"\r\n20 ' \x01\x41\xAD");
    ASSERT_EQ(runConvert({"--rtf", "--kanji", (dir / "plain.txt").string(), (dir / "k.rtf").string()}), cli::ExitOk);
    const std::string rtf = readFile(dir / "k.rtf");
    RtfListingOptions kanji;
    kanji.isAnkMode = false;
    kanji.fontCharset = 128;
    EXPECT_EQ(rtf, rtfOf(readFile(dir / "plain.txt"), kanji));
    const RtfDocument doc = readRtf(rtf);
    ASSERT_EQ(doc.fonts.size(), 2u);
    EXPECT_EQ(doc.font(0)->name, "ＭＳ ゴシック");
    EXPECT_EQ(doc.font(0)->charset, 128);
    EXPECT_EQ(rtf.find("\\f2"), std::string::npos);
    EXPECT_NE(rtf.find("\\'82\\'A0\\'22\\par\r\n"), std::string::npos);
    EXPECT_TRUE(rtf.ends_with("\\'27\\'20\\'41\\'AD\\par}\r\n"));
}

TEST(ConvertRtf, EmptyPlainTextGivesTheEmptyDocument)
{
    ScratchDir dir;
    writeFile(dir / "empty", "");
    ASSERT_EQ(runConvert({"--rtf", (dir / "empty").string(), (dir / "e.rtf").string()}), cli::ExitOk);
    EXPECT_EQ(readFile(dir / "e.rtf"), rtfListingHeader(RtfListingOptions()) + "\r\n\\par}\r\n");
}
