// SPDX-License-Identifier: MIT
#pragma once
// Every stored setting in one table: the field of the Settings record, its
// stored name and, through the field's type, how it is encoded. The start-up
// read and every later write go through it, so a value is always stored under
// the same name and in the same form.

#include "app/SettingsStore.h"
#include "common/QuilletUnitGrobal.h"
#include "render/MsxCharset.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace quillet::app {

// Stored names, for callers that write single values.
namespace setting {
inline constexpr std::string_view FontNameAnk = "Font Name Ank";
inline constexpr std::string_view FontNameAnkGraph = "Font Name Ank Graph";
inline constexpr std::string_view FontNameKanji = "Font Name Kanji";
inline constexpr std::string_view FontCharset = "Font Charset";
inline constexpr std::string_view FontSize = "Font Size";
inline constexpr std::string_view IsAnkMode = "Is ANK Mode";
inline constexpr std::string_view FontColor = "Font Color";
inline constexpr std::string_view BackgroundColor = "Background Color";
inline constexpr std::string_view UseWordWrap = "Use Word Wrap";
inline constexpr std::string_view IsViewOverLine65530 = "Is View Over Line65530";
inline constexpr std::string_view IsMap0xAD = "Is Map 0xAD";
inline constexpr std::string_view MapFontFrom0xAD = "Map Font From 0xAD";
inline constexpr std::string_view MapCodeFrom0xAD = "Map Code From 0xAD";
inline constexpr std::string_view IsAutoDetectScreenMode = "Is Auto Detect Screen Mode";
inline constexpr std::string_view ScreenMode = "Screen Mode";
inline constexpr std::string_view IsReload = "Is Reload";
inline constexpr std::string_view LastOpenFilterIndex = "Last Open Filter Index";
inline constexpr std::string_view IsStretch = "Is Stretch";
inline constexpr std::string_view PictureZoom = "Picture Zoom";
inline constexpr std::string_view IsTvAspect = "Is TV Aspect";
inline constexpr std::string_view IsDrawSprites = "Is Draw Sprites";
inline constexpr std::string_view SpriteSize = "Sprite Size";
inline constexpr std::string_view IsMsx2Colors = "Is MSX2 Colors";
inline constexpr std::string_view ActivePageIndex = "Active Page Index";
inline constexpr std::string_view TempFileDir = "Temp File Dir";
inline constexpr std::string_view LastOpenDir = "Last Open Dir";
inline constexpr std::string_view Language = "Language";
inline constexpr std::string_view CharacterSet = "Character Set";
inline constexpr std::string_view IsViewLineAddress = "Is View Line Address";
inline constexpr std::string_view WindowGeometry = "Window Geometry";
inline constexpr std::string_view IsWindowMaximized = "Is Window Maximized";
inline constexpr std::string_view MemberListWidth = "Member List Width";
inline constexpr std::string_view ListingZoom = "Listing Zoom";
inline constexpr std::string_view IsLineNumberGutter = "Is Line Number Gutter";
inline constexpr std::string_view UseSyntaxColors = "Use Syntax Colors";
inline constexpr std::string_view SyntaxColorScheme = "Syntax Color Scheme";
inline constexpr std::string_view RoleColors = "Role Colors";
// The list of recent files, kept by RecentFiles (app/RecentDocuments.h).
inline constexpr std::string_view RecentFiles = "Recent Files";
// Written at every start, never read.
inline constexpr std::string_view Version = "version";
inline constexpr std::string_view VersionText = "1.00";
} // namespace setting

// Text, signed 32-bit integer, bool, 8-bit number (stored as an integer, low
// 8 bits kept on reading), colour 0x00BBGGRR (stored as the signed 32-bit
// number of the same bits).
using SettingField = std::variant<std::string Settings::*, std::int32_t Settings::*, bool Settings::*,
                                  std::uint8_t Settings::*, std::uint32_t Settings::*>;

struct SettingEntry {
    std::string_view name;
    SettingField field;
};

// In the declared order of the Settings record.
std::span<const SettingEntry> settingsTable();
// Null for a name that is not in the table.
const SettingEntry* findSetting(std::string_view name);
const SettingEntry* findSetting(SettingField field);

// The order in which program start reads the values.
extern const std::array<std::string_view, 37> StartupReadOrder;
// The values the settings dialog's OK writes, in its order.
extern const std::array<std::string_view, 25> SettingsDialogWriteOrder;

// The character set the "Character Set" value names; Japanese for a value
// that names none (a hand-edited or newer store).
msx::CharacterSet characterSetSetting(const Settings& settings);

// Program start, on one opening of the store: writes "version" = "1.00",
// then reads every value in StartupReadOrder into `settings`, each with the
// field's current value as its default.
void readAllSettings(SettingsStore& store, Settings& settings);

// Reads one value by its stored name, the field's value as default; false
// for an unknown name.
bool readSetting(const SettingsStore& store, Settings& settings, std::string_view name);

// Writes the named values from `settings`, in the order given. False when a
// name is unknown or a value cannot be stored; the other values are written.
bool writeSettings(SettingsStore& store, const Settings& settings, std::span<const std::string_view> names);
bool writeSettings(SettingsStore& store, const Settings& settings, std::initializer_list<std::string_view> names);

// One opening of the store at `storePath` around writeSettings; true when the
// values are in the file afterwards.
bool saveSettings(const std::string& storePath, const Settings& settings, std::span<const std::string_view> names);
bool saveSettings(const std::string& storePath, const Settings& settings,
                  std::initializer_list<std::string_view> names);

} // namespace quillet::app
