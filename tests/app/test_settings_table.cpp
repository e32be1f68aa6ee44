// SPDX-License-Identifier: MIT
#include "app/SettingsTable.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

using namespace quillet::app;
using quillet::Settings;
using quillet::test::readFile;
using quillet::test::ScratchDir;
using quillet::test::writeFile;

namespace {

// Field by field, so that a mixed-up table entry shows by name.
void expectSameSettings(const Settings& actual, const Settings& expected)
{
    EXPECT_EQ(actual.fontNameAnk, expected.fontNameAnk);
    EXPECT_EQ(actual.fontNameAnkGraph, expected.fontNameAnkGraph);
    EXPECT_EQ(actual.fontNameKanji, expected.fontNameKanji);
    EXPECT_EQ(actual.fontCharset, expected.fontCharset);
    EXPECT_EQ(actual.fontSize, expected.fontSize);
    EXPECT_EQ(actual.isAnkMode, expected.isAnkMode);
    EXPECT_EQ(actual.fontColor, expected.fontColor);
    EXPECT_EQ(actual.backgroundColor, expected.backgroundColor);
    EXPECT_EQ(actual.useWordWrap, expected.useWordWrap);
    EXPECT_EQ(actual.isViewOverLine65530, expected.isViewOverLine65530);
    EXPECT_EQ(actual.isMap0xAD, expected.isMap0xAD);
    EXPECT_EQ(actual.mapFontFrom0xAD, expected.mapFontFrom0xAD);
    EXPECT_EQ(actual.mapCodeFrom0xAD, expected.mapCodeFrom0xAD);
    EXPECT_EQ(actual.isAutoDetectScreenMode, expected.isAutoDetectScreenMode);
    EXPECT_EQ(actual.screenMode, expected.screenMode);
    EXPECT_EQ(actual.isReload, expected.isReload);
    EXPECT_EQ(actual.lastOpenFilterIndex, expected.lastOpenFilterIndex);
    EXPECT_EQ(actual.isStretch, expected.isStretch);
    EXPECT_EQ(actual.activePageIndex, expected.activePageIndex);
    EXPECT_EQ(actual.tempFileDir, expected.tempFileDir);
    EXPECT_EQ(actual.lastOpenDir, expected.lastOpenDir);
    EXPECT_EQ(actual.language, expected.language);
    EXPECT_EQ(actual.characterSet, expected.characterSet);
    EXPECT_EQ(actual.isViewLineAddress, expected.isViewLineAddress);
    EXPECT_EQ(actual.pictureZoom, expected.pictureZoom);
    EXPECT_EQ(actual.isTvAspect, expected.isTvAspect);
    EXPECT_EQ(actual.isDrawSprites, expected.isDrawSprites);
    EXPECT_EQ(actual.spriteSize, expected.spriteSize);
    EXPECT_EQ(actual.isMsx2Colors, expected.isMsx2Colors);
    EXPECT_EQ(actual.windowGeometry, expected.windowGeometry);
    EXPECT_EQ(actual.isWindowMaximized, expected.isWindowMaximized);
    EXPECT_EQ(actual.memberListWidth, expected.memberListWidth);
    EXPECT_EQ(actual.listingZoom, expected.listingZoom);
    EXPECT_EQ(actual.isLineNumberGutter, expected.isLineNumberGutter);
    EXPECT_EQ(actual.useSyntaxColors, expected.useSyntaxColors);
    EXPECT_EQ(actual.syntaxColorScheme, expected.syntaxColorScheme);
    EXPECT_EQ(actual.roleColors, expected.roleColors);
}

// Every field away from its built-in default.
Settings unusualSettings()
{
    Settings s;
    s.fontNameAnk = "Ank Face";
    s.fontNameAnkGraph = "Graph Face";
    s.fontNameKanji = "漢字 Face";
    s.fontCharset = 128;
    s.fontSize = 999;
    s.isAnkMode = false;
    s.fontColor = 0x00123456;
    s.backgroundColor = 0xFF000000; // beyond the signed range
    s.useWordWrap = true;
    s.isViewOverLine65530 = false;
    s.isMap0xAD = false;
    s.mapFontFrom0xAD = "Map Face";
    s.mapCodeFrom0xAD = 255;
    s.isAutoDetectScreenMode = false;
    s.screenMode = 12;
    s.isReload = false;
    s.lastOpenFilterIndex = 3;
    s.isStretch = true;
    s.activePageIndex = 1;
    s.tempFileDir = "/var/tmp/quillet dir/";
    s.lastOpenDir = "/home/u/MSX files/";
    s.language = "en";
    s.characterSet = "Brazilian";
    s.isViewLineAddress = true;
    s.pictureZoom = 3;
    s.isTvAspect = true;
    s.isDrawSprites = true;
    s.spriteSize = 3;
    s.isMsx2Colors = true;
    s.windowGeometry = "-1200,40,900,600";
    s.isWindowMaximized = true;
    s.memberListWidth = 410;
    s.listingZoom = 3;
    s.isLineNumberGutter = true;
    s.useSyntaxColors = true;
    s.syntaxColorScheme = 1;
    s.roleColors = "- 112233 - - - - - - - FFEEDD";
    return s;
}

} // namespace

TEST(SettingsTable, EveryFieldHasOneNameAndEveryListUsesThem)
{
    std::set<std::string_view> names;
    for (const SettingEntry& entry : settingsTable())
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    EXPECT_EQ(names.size(), 37u);

    std::set<std::string_view> startup(StartupReadOrder.begin(), StartupReadOrder.end());
    EXPECT_EQ(startup, names) << "program start reads every value once";
    std::set<std::string_view> dialog(SettingsDialogWriteOrder.begin(), SettingsDialogWriteOrder.end());
    EXPECT_EQ(dialog.size(), SettingsDialogWriteOrder.size());
    for (std::string_view name : dialog)
        EXPECT_TRUE(names.count(name)) << name;
    EXPECT_FALSE(dialog.count(setting::ActivePageIndex));
    EXPECT_FALSE(findSetting("version"));
    EXPECT_FALSE(findSetting("font size"));
}

TEST(SettingsTable, EmptyStoreStartsWithTheBuiltInDefaults)
{
    ScratchDir dir;
    const std::string path = (dir / "Quillet.ini").string();
    Settings settings;
    {
        SettingsStore store(path);
        readAllSettings(store, settings);
    }
    expectSameSettings(settings, Settings{});
    EXPECT_EQ(settings.screenMode, 5);
    EXPECT_TRUE(settings.isAutoDetectScreenMode) << "a fresh configuration detects the mode";
    EXPECT_FALSE(settings.isMsx2Colors);
    EXPECT_EQ(settings.backgroundColor, 0xFFFFFFu);
    EXPECT_EQ(settings.fontNameKanji, "ＭＳ ゴシック");
    EXPECT_EQ(settings.tempFileDir, quillet::systemTempDir());
    EXPECT_EQ(readFile(path), "[Vantre\\Quillet]\nversion=1.00\n") << "only the version is written";
}

TEST(SettingsTable, StartupReadTakesEveryStoredValue)
{
    ScratchDir dir;
    const std::string path = (dir / "Quillet.ini").string();
    // Deliberately not in the table's order, with an old version text.
    writeFile(path, "[Vantre\\Quillet]\n"
                    "version=0.99\n"
                    "Is MSX2 Colors=1\n"
                    "Sprite Size=3\n"
                    "Is Draw Sprites=1\n"
                    "Role Colors=- 112233 - - - - - - - FFEEDD\n"
                    "Syntax Color Scheme=1\n"
                    "Use Syntax Colors=1\n"
                    "Is Line Number Gutter=1\n"
                    "Listing Zoom=3\n"
                    "Member List Width=410\n"
                    "Window Geometry=-1200,40,900,600\n"
                    "Is Window Maximized=1\n"
                    "Picture Zoom=3\n"
                    "Is TV Aspect=1\n"
                    "Last Open Dir=/home/u/MSX files/\n"
                    "Language=en\n"
                    "Character Set=Brazilian\n"
                    "Is View Line Address=1\n"
                    "Temp File Dir=/var/tmp/quillet dir/\n"
                    "Active Page Index=1\n"
                    "Is Stretch=1\n"
                    "Last Open Filter Index=3\n"
                    "Is Reload=0\n"
                    "Screen Mode=12\n"
                    "Is Auto Detect Screen Mode=0\n"
                    "Map Code From 0xAD=255\n"
                    "Map Font From 0xAD=Map Face\n"
                    "Is Map 0xAD=0\n"
                    "Is View Over Line65530=0\n"
                    "Use Word Wrap=1\n"
                    "Background Color=-16777216\n"
                    "Font Color=1193046\n"
                    "Is ANK Mode=0\n"
                    "Font Size=999\n"
                    "Font Charset=384\n"
                    "Font Name Kanji=漢字 Face\n"
                    "Font Name Ank Graph=Graph Face\n"
                    "Font Name Ank=Ank Face\n");
    Settings settings;
    {
        SettingsStore store(path);
        readAllSettings(store, settings);
    }
    expectSameSettings(settings, unusualSettings()); // 384 keeps its low 8 bits: 128
    const std::string text = readFile(path);
    EXPECT_NE(text.find("\nversion=1.00\n"), std::string::npos) << "the version is rewritten";
    EXPECT_EQ(text.find("0.99"), std::string::npos);
}

TEST(SettingsTable, UnparsableValuesKeepTheFieldsCurrentValue)
{
    ScratchDir dir;
    const std::string path = (dir / "Quillet.ini").string();
    writeFile(path, "[Vantre\\Quillet]\n"
                    "Screen Mode=seven\n"
                    "Is Reload=\n"
                    "Font Charset=0x80\n"
                    "Font Color=4294967295\n"
                    "Font Size= 14 \n");
    Settings settings;
    settings.screenMode = 7;
    settings.isReload = false;
    settings.fontCharset = 77;
    settings.fontColor = 0xABCDEF;
    SettingsStore store(path);
    readAllSettings(store, settings);
    EXPECT_EQ(settings.screenMode, 7);
    EXPECT_FALSE(settings.isReload);
    EXPECT_EQ(settings.fontCharset, 77);
    EXPECT_EQ(settings.fontColor, 0xABCDEFu);
    EXPECT_EQ(settings.fontSize, 14);
}

TEST(SettingsTable, WritesNamedValuesInTheirStoredForm)
{
    ScratchDir dir;
    const std::string path = (dir / "Quillet.ini").string();
    Settings settings;
    settings.screenMode = 8;
    settings.fontColor = 0xFF000000;
    EXPECT_TRUE(saveSettings(path, settings,
                             {setting::ScreenMode, setting::BackgroundColor, setting::FontColor, setting::IsAnkMode,
                              setting::UseWordWrap, setting::FontCharset, setting::FontNameKanji}));
    EXPECT_EQ(readFile(path), "[Vantre\\Quillet]\n"
                              "Screen Mode=8\n"
                              "Background Color=16777215\n"
                              "Font Color=-16777216\n"
                              "Is ANK Mode=1\n"
                              "Use Word Wrap=0\n"
                              "Font Charset=2\n"
                              "Font Name Kanji=ＭＳ ゴシック\n");

    SettingsStore store(path);
    EXPECT_FALSE(writeSettings(store, settings, {"No Such Setting", setting::IsStretch}));
    EXPECT_TRUE(store.close());
    EXPECT_NE(readFile(path).find("\nIs Stretch=0\n"), std::string::npos) << "the known name is still written";
}
