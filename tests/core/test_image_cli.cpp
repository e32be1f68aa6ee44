// quillet-convert on BSAVE images: the mode from --screen or the name, and
// modes without a picture.

#include "ConvertRunner.h"
#include "common/ByteStream.h"
#include "convert/ConvertCli.h"
#include "image/BsaveConverter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::string viewerBmp(const std::string& file, int mode)
{
    auto converter = std::make_unique<BsaveConverter>();
    MemorySource source(std::string_view(file).substr(1));
    StringSink sink;
    converter->convert(source, mode, sink);
    return sink.str();
}

std::size_t entriesIn(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

} // namespace

TEST(ConvertImage, SamplesBecomeTheViewersPicture)
{
    ScratchDir dir;
    ASSERT_EQ(runConvert({samplePath("sample.sc5").string(), (dir / "five.bmp").string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(dir / "five.bmp"), viewerBmp(readFile(samplePath("sample.sc5")), 5));
    ASSERT_EQ(runConvert({samplePath("sample.s12").string(), (dir / "twelve.bmp").string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(dir / "twelve.bmp"), viewerBmp(readFile(samplePath("sample.s12")), 12));
}

TEST(ConvertImage, ScreenOptionWinsOverTheName)
{
    ScratchDir dir;
    const std::string sample = readFile(samplePath("sample.sc5"));
    ASSERT_EQ(runConvert({"--screen", "7", samplePath("sample.sc5").string(), (dir / "out").string()}).status,
              cli::ExitOk);
    EXPECT_EQ(readFile(dir / "out"), viewerBmp(sample, 7));
    EXPECT_EQ(readFile(dir / "out").size(), 54390u);
}

TEST(ConvertImage, NameDecidesWithoutTheOption)
{
    ScratchDir dir;
    const std::string file = readFile(samplePath("sample.s12"));
    const std::pair<const char*, int> cases[] = {
        {"PIC.S12", 12}, {"PIC.SCC", 12}, {"PIC.SC8", 8}, {"PIC.SCA", 10},
        {"PIC.S11", 11}, {"PIC.BIN", 5},  {"pic.scc", 5}, // lower-case letters say nothing: SCREEN 5
    };
    for (const auto& [name, mode] : cases) {
        writeFile(dir / name, file);
        ASSERT_EQ(runConvert({(dir / name).string(), (dir / "out.bmp").string()}).status, cli::ExitOk) << name;
        EXPECT_EQ(readFile(dir / "out.bmp"), viewerBmp(file, mode)) << name;
    }
}

TEST(ConvertImage, ModesWithoutPictureFailAndWriteNothing)
{
    ScratchDir dir;
    writeFile(dir / "PIC.SC9", readFile(samplePath("sample.sc5")));
    writeFile(dir / "PIC.SC5", readFile(samplePath("sample.sc5")));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{(dir / "PIC.SC9").string()}, "SCREEN 9"},
        {{"--screen", "9", (dir / "PIC.SC5").string()}, "SCREEN 9"},
        {{"--screen", "13", (dir / "PIC.SC5").string()}, "SCREEN 13"},
        {{"--screen", "0", (dir / "PIC.SC5").string()}, "SCREEN 0"},
        {{"--screen", "-1", (dir / "PIC.SC5").string()}, "SCREEN -1"},
    };
    for (auto [args, mode] : cases) {
        args.push_back((dir / "out.bmp").string());
        const ConvertResult result = runConvert(args);
        EXPECT_EQ(result.status, cli::ExitFailed) << mode;
        EXPECT_NE(result.err.find("no picture layout"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(mode), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_FALSE(fs::exists(dir / "out.bmp")) << mode;
        EXPECT_EQ(entriesIn(dir.path()), 2u) << "a temporary file was left behind";
    }

    // An existing output stays as it was.
    writeFile(dir / "out.bmp", "old");
    EXPECT_EQ(runConvert({"--screen", "9", (dir / "PIC.SC5").string(), (dir / "out.bmp").string()}).status,
              cli::ExitFailed);
    EXPECT_EQ(readFile(dir / "out.bmp"), "old");
}
