// SPDX-License-Identifier: MIT
// Screen-mode layouts, picture sizes, and choosing the mode from the
// setting or the file name.

#include "image/BsaveConverter.h"
#include "image/ScreenMode.h"

#include <gtest/gtest.h>

using namespace quillet;

TEST(ScreenModeLayout, LayoutAndPictureSizeOfEachMode)
{
    struct Row {
        int mode, width, bytesPerLine;
        std::uint32_t paletteAddress; // 0: none
        int bitCount;
        std::uint32_t entries, offBits, rowBytes, fileSize;
    };
    const Row rows[] = {
        {5, 256, 128, 0x7680, 4, 16, 118, 128, 27254},  {6, 512, 128, 0x7680, 4, 16, 118, 256, 54390},
        {7, 512, 256, 0xFA80, 4, 16, 118, 256, 54390},  {8, 256, 256, 0, 8, 256, 1078, 256, 55350},
        {10, 256, 256, 0xFA80, 24, 0, 54, 768, 162870}, {11, 256, 256, 0xFA80, 24, 0, 54, 768, 162870},
        {12, 256, 256, 0, 24, 0, 54, 768, 162870},
    };
    for (const Row& row : rows) {
        const ScreenModeLayout* layout = screenModeLayout(row.mode);
        ASSERT_NE(layout, nullptr) << row.mode;
        EXPECT_EQ(layout->width, row.width) << row.mode;
        EXPECT_EQ(layout->height, 212) << row.mode;
        EXPECT_EQ(layout->bytesPerLine, row.bytesPerLine) << row.mode;
        EXPECT_EQ(layout->hasPalette, row.paletteAddress != 0) << row.mode;
        EXPECT_EQ(layout->hasPalette ? layout->paletteAddress : 0, row.paletteAddress) << row.mode;

        const BmpGeometry g = bmpGeometry(*layout);
        EXPECT_EQ(g.bitsPerPixel, row.bitCount) << row.mode;
        EXPECT_EQ(g.colourEntries, row.entries) << row.mode;
        EXPECT_EQ(g.pixelOffset, row.offBits) << row.mode;
        EXPECT_EQ(g.rowBytes, row.rowBytes) << row.mode;
        EXPECT_EQ(g.pixelBytes, row.rowBytes * 212) << row.mode;
        EXPECT_EQ(g.fileSize, row.fileSize) << row.mode;
    }
    for (const int mode : {9, -1, 0, 13, 1000})
        EXPECT_EQ(screenModeLayout(mode), nullptr) << mode;
}

TEST(DetectScreenMode, LastCharacterThenLastTwo)
{
    const std::pair<const char*, int> cases[] = {
        {"GAME.SC5", 5},
        {"a.SC6", 6},
        {"a.SC7", 7},
        {"a.SC8", 8},
        {"TITLE.SCC", 12},
        {"x.SCA", 10},
        {"x.SCB", 11},
        {"LOGO.S12", 12}, // '2' alone says nothing; "12" does
        {"PIC.S10", 10},
        {"PIC.S11", 11},
        {"NOTE.S9", 9}, // a mode without a picture is still a result
        {"x.S1A", 10},  // the single character is tried first
        {"x.5C", 12},
        {"x.S15", 5},
        {"12", 12},
        {"5", 5},
        // The whole path counts, not the extension.
        {"/pictures/SCREEN5", 5},
        {"/pics.sc5/DATA.BIN", -1},
        {"/home/me/mode12", 12},
    };
    for (const auto& [name, mode] : cases)
        EXPECT_EQ(detectScreenModeFromName(name), mode) << name;
}

TEST(DetectScreenMode, NamesThatSayNothing)
{
    for (const char* name :
         {"DATA.BIN", "", "2", "0", "x.S2", "x.S13", "x.S20", "x.SC4", "x.SC1", "x.SCD", "x.S0", "x.SC ", "GAME.SC5.",
          "\xE7\x94\xBB\xE5\x83\x8F" /* two kanji */, "x\xEF\xBC\x95" /* full-width 5 */})
        EXPECT_EQ(detectScreenModeFromName(name), -1) << name;
}

TEST(DetectScreenMode, LowerCaseLettersMatchNothing)
{
    EXPECT_EQ(detectScreenModeFromName("x.sca"), -1);
    EXPECT_EQ(detectScreenModeFromName("x.scb"), -1);
    EXPECT_EQ(detectScreenModeFromName("x.scc"), -1);
    // Digits have no case.
    EXPECT_EQ(detectScreenModeFromName("x.sc5"), 5);
    EXPECT_EQ(detectScreenModeFromName("x.s12"), 12);
}

TEST(SelectScreenMode, DetectionOffUsesTheSettingAndIndicatesNothing)
{
    for (const int stored : {5, 7, 9, 12, 42}) {
        const ModeSelection selection = selectScreenMode(stored, false, "TITLE.SCC");
        EXPECT_EQ(selection.mode, stored);
        EXPECT_FALSE(selection.indicate);
    }
}

TEST(SelectScreenMode, DetectionOnLetsTheNameDecide)
{
    ModeSelection selection = selectScreenMode(5, true, "TITLE.SCC");
    EXPECT_EQ(selection.mode, 12);
    EXPECT_TRUE(selection.indicate);

    // A silent name keeps the stored mode, which is still indicated.
    selection = selectScreenMode(7, true, "DATA.BIN");
    EXPECT_EQ(selection.mode, 7);
    EXPECT_TRUE(selection.indicate);
    selection = selectScreenMode(8, true, "x.sca");
    EXPECT_EQ(selection.mode, 8);
    EXPECT_TRUE(selection.indicate);

    // SCREEN 9 is selected, and then has no layout.
    selection = selectScreenMode(5, true, "NOTE.SC9");
    EXPECT_EQ(selection.mode, 9);
    EXPECT_TRUE(selection.indicate);
    EXPECT_EQ(screenModeLayout(selection.mode), nullptr);
}
