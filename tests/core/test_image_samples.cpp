// SPDX-License-Identifier: MIT
// The generated pictures: the bundled samples, the golden manifest (every
// mode and the sample listings), cut-off samples, and the shared corpus of
// real pictures.

#include "ConvertRunner.h"
#include "image/BsaveConverter.h"
#include "support/TestSupport.h"
#include "test_image_bmp.h"
#include "tools/Golden.h"
#include "tools/PictureGen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::string toBmp(BsaveConverter& converter, std::string_view file, int mode)
{
    MemorySource source(file.substr(1));
    StringSink sink;
    converter.convert(source, mode, sink);
    return sink.str();
}

std::vector<Rgb> paletteOf(std::string_view table)
{
    std::vector<Rgb> colours;
    for (std::size_t n = 0; n < 16; ++n) {
        const auto b0 = static_cast<std::uint8_t>(table[2 * n]);
        const auto b1 = static_cast<std::uint8_t>(table[2 * n + 1]);
        colours.push_back({PaletteLevels3[(b0 >> 4) & 7], PaletteLevels3[b1 & 7], PaletteLevels3[b0 & 7]});
    }
    return colours;
}

} // namespace

TEST(GeneratedPictures, CommittedSamplesAreWhatTheGeneratorMakes)
{
    // Regenerate with: build/quillet-imagegen samples samples
    EXPECT_EQ(readFile(samplePath("sample.sc5")), gen::sampleScreen5()) << "samples/sample.sc5 is stale";
    EXPECT_EQ(readFile(samplePath("sample.s12")), gen::sampleScreen12()) << "samples/sample.s12 is stale";
}

TEST(GeneratedPictures, SamplesAreRealBsaveFiles)
{
    const std::string five = gen::sampleScreen5();
    EXPECT_EQ(five.substr(0, 7), hexBytes("FE  00 00  9F 76  00 00  # 0x0000 to 0x769F, palette included"));
    EXPECT_EQ(five.size(), 7u + 0x76A0);
    const std::string twelve = gen::sampleScreen12();
    EXPECT_EQ(twelve.substr(0, 7), hexBytes("FE  00 00  FF D3  00 00  # 212 lines of 256 bytes"));
    EXPECT_EQ(twelve.size(), 7u + 212 * 256);

    // The SCREEN 5 sample shows its own sixteen colours, not the default ones.
    auto converter = std::make_unique<BsaveConverter>();
    const BmpPicture bmp(toBmp(*converter, five, 5));
    EXPECT_EQ(bmp.colourTable, paletteOf(std::string_view(five).substr(7 + 0x7680, 32)));
    EXPECT_EQ(bmp.colourTable[1], (Rgb{0x25, 0x00, 0x49}));
}

TEST(GeneratedPictures, GoldenChecksumsOfEveryMode)
{
    // Regenerate after an intended change with: bash scripts/write-golden.sh
    const std::string manifest = golden::manifest(golden::outputs(sourceDir() / "samples"));
    EXPECT_EQ(manifest, readFile(sourceDir() / "tests/data/golden.txt"));
    for (const char* mode : {"\n1 ", "\n2 ", "\n3 ", "\n4 ", "\n5 ", "\n6 ", "\n7 ", "\n8 ", "\n10 ", "\n11 ", "\n12 "})
        EXPECT_NE(manifest.find(mode), std::string::npos) << "no golden picture for mode" << mode;
}

// Each line of the stored manifest against what quillet-convert writes for
// its input now, through the program's own option handling.
TEST(GeneratedPictures, EveryGoldenLineIsWhatTheConverterWrites)
{
    std::map<std::string, std::string> pictures;
    for (const gen::GoldenPicture& picture : gen::goldenPictures())
        pictures[picture.name] = picture.file;
    pictures["sample.sc5"] = gen::sampleScreen5();
    pictures["sample.s12"] = gen::sampleScreen12();
    const std::map<std::string, std::vector<std::string>> listingOptions = {
        {"ascii", {}}, {"rtf-ank", {"--rtf"}}, {"rtf-kanji", {"--rtf", "--kanji"}}};

    ScratchDir dir;
    std::set<std::string> checked;
    std::istringstream lines(readFile(sourceDir() / "tests/data/golden.txt"));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string kind, name, crc, rest;
        std::size_t size = 0;
        ASSERT_TRUE(fields >> kind >> name >> size >> crc && !(fields >> rest)) << "malformed: " << line;

        std::vector<std::string> args;
        fs::path input = samplePath(name);
        if (const auto listing = listingOptions.find(kind); listing != listingOptions.end()) {
            args = listing->second;
        } else {
            const auto picture = pictures.find(name);
            ASSERT_NE(picture, pictures.end()) << "no generated picture for: " << line;
            input = dir / name;
            writeFile(input, picture->second);
            args = {"--screen", kind};
        }
        args.push_back(input.string());
        args.push_back((dir / "out").string());
        const ConvertResult result = runConvert(args);
        ASSERT_EQ(result.status, cli::ExitOk) << line << "\n" << result.err;

        const std::string out = readFile(dir / "out");
        char actual[16];
        std::snprintf(actual, sizeof actual, "%08x", static_cast<unsigned>(gen::crc32(out)));
        EXPECT_EQ(out.size(), size) << line;
        EXPECT_EQ(actual, crc) << line;
        checked.insert(kind + " " + name);
    }
    for (const char* expected :
         {"5 golden5.sc5", "12 sample.s12", "ascii sample.bas", "rtf-ank sample.bas", "rtf-kanji sample.bas"})
        EXPECT_TRUE(checked.count(expected)) << "no line for " << expected;
}

TEST(GeneratedPictures, Crc32IsTheStandardOne)
{
    EXPECT_EQ(gen::crc32(""), 0x00000000u);
    EXPECT_EQ(gen::crc32("123456789"), 0xCBF43926u);
}

TEST(GeneratedPictures, EveryPrefixOfTheSampleConvertsCleanly)
{
    auto converter = std::make_unique<BsaveConverter>();
    const std::string file = gen::sampleScreen5();
    const BmpPicture full(toBmp(*converter, file, 5));
    for (std::size_t length = 1; length <= file.size(); length += (length < 200 ? 1 : 331)) {
        std::string bmp;
        ASSERT_NO_THROW(bmp = toBmp(*converter, std::string_view(file).substr(0, length), 5)) << length;
        ASSERT_EQ(bmp.size(), 27254u) << length;
        const BmpPicture cut(bmp);
        // Lines the prefix holds entirely are as in the whole picture, the rest stays black.
        const std::size_t data = length > 7 ? length - 7 : 0;
        const int wholeLines = static_cast<int>(std::min<std::size_t>(data / 128, 212));
        for (int line : {0, wholeLines - 1, wholeLines + 1, 211}) {
            if (line < 0 || line > 211)
                continue;
            const std::string_view got(cut.bytes.data() + cut.pixelOffset + (211 - line) * 128, 128);
            const std::string_view whole(full.bytes.data() + full.pixelOffset + (211 - line) * 128, 128);
            if (line < wholeLines)
                ASSERT_EQ(got, whole) << length << " line " << line;
            else if (line > wholeLines)
                ASSERT_EQ(got, std::string(128, '\0')) << length << " line " << line;
        }
    }
}

TEST(Corpus, EveryRealPictureConverts)
{
    const fs::path corpus = corpusDir();
    if (corpus.empty() || !fs::is_directory(corpus / "img"))
        GTEST_SKIP() << "no shared corpus beside the checkout";
    auto converter = std::make_unique<BsaveConverter>();
    int count = 0;
    for (const auto& entry : fs::directory_iterator(corpus / "img")) {
        const std::string name = entry.path().filename().string();
        const int mode = detectScreenModeFromName(name);
        const ScreenModeLayout* layout = screenModeLayout(mode);
        if (!layout)
            continue; // SCREEN 1 to 4 dumps
        const std::string file = readFile(entry.path());
        ASSERT_EQ(static_cast<std::uint8_t>(file.at(0)), 0xFE) << name;
        std::string bmpBytes;
        ASSERT_NO_THROW(bmpBytes = toBmp(*converter, file, mode)) << name;
        const BmpPicture bmp(bmpBytes);
        EXPECT_EQ(bmp.bytes.size(), bmpGeometry(*layout).fileSize) << name;
        EXPECT_EQ(bmp.width, layout->width) << name;

        // The palette table is preset with the default colours and then
        // overwritten by as much of it as the file reaches.
        if (layout->hasPalette && layout->bitsPerPixel == 4 && file[1] == 0 && file[2] == 0) {
            std::string table(reinterpret_cast<const char*>(DefaultPalette.data()), 32);
            const std::size_t tableStart = 7 + layout->paletteAddress;
            if (file.size() > tableStart)
                table.replace(0, std::min<std::size_t>(32, file.size() - tableStart), file.substr(tableStart, 32));
            EXPECT_EQ(bmp.colourTable, paletteOf(table)) << name;
        }
        ++count;
    }
    EXPECT_GE(count, 20);
}

TEST(Corpus, OddRealPictures)
{
    const fs::path img = corpusDir().empty() ? fs::path() : corpusDir() / "img";
    if (img.empty() || !fs::exists(img / "dihalt-GAMEPAL.SC5"))
        GTEST_SKIP() << "no shared corpus beside the checkout";
    auto converter = std::make_unique<BsaveConverter>();

    // Only a palette, loaded at 0x7680: its colours, and no pixels.
    const std::string paletteFile = readFile(img / "dihalt-GAMEPAL.SC5");
    const BmpPicture palette(toBmp(*converter, paletteFile, 5));
    EXPECT_EQ(palette.colourTable, paletteOf(std::string_view(paletteFile).substr(7, 32)));
    EXPECT_EQ(palette.bytes.find_first_not_of('\0', palette.pixelOffset), std::string::npos);

    // Header only: the black picture with the default colours.
    const BmpPicture empty(toBmp(*converter, readFile(img / "msxgl-data00_rlep.sc5"), 5));
    EXPECT_EQ(empty.bytes.size(), 27254u);
    EXPECT_EQ(empty.bytes.find_first_not_of('\0', empty.pixelOffset), std::string::npos);
    EXPECT_EQ(empty.colourTable[15], (Rgb{0xFF, 0xFF, 0xFF}));

    // 192 lines: the last twenty are black, the picture above is not.
    const BmpPicture short8(toBmp(*converter, readFile(img / "msxgl-data.sc8"), 8));
    for (int line = 192; line < 212; ++line)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(short8.index(x, line), 0) << line;
    bool drawn = false;
    for (int x = 0; x < 256; ++x)
        drawn = drawn || short8.index(x, 191) != 0;
    EXPECT_TRUE(drawn);
}
