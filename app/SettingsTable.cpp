// SPDX-License-Identifier: MIT
#include "app/SettingsTable.h"

#include <algorithm>

namespace quillet::app {

namespace {

using namespace setting;

const std::array<SettingEntry, 37> Table = {{
    {FontNameAnk, &Settings::fontNameAnk},
    {FontNameAnkGraph, &Settings::fontNameAnkGraph},
    {FontNameKanji, &Settings::fontNameKanji},
    {FontCharset, &Settings::fontCharset},
    {FontSize, &Settings::fontSize},
    {IsAnkMode, &Settings::isAnkMode},
    {FontColor, &Settings::fontColor},
    {BackgroundColor, &Settings::backgroundColor},
    {UseWordWrap, &Settings::useWordWrap},
    {IsViewOverLine65530, &Settings::isViewOverLine65530},
    {IsMap0xAD, &Settings::isMap0xAD},
    {MapFontFrom0xAD, &Settings::mapFontFrom0xAD},
    {MapCodeFrom0xAD, &Settings::mapCodeFrom0xAD},
    {IsAutoDetectScreenMode, &Settings::isAutoDetectScreenMode},
    {ScreenMode, &Settings::screenMode},
    {IsReload, &Settings::isReload},
    {LastOpenFilterIndex, &Settings::lastOpenFilterIndex},
    {IsStretch, &Settings::isStretch},
    {ActivePageIndex, &Settings::activePageIndex},
    {TempFileDir, &Settings::tempFileDir},
    {LastOpenDir, &Settings::lastOpenDir},
    {Language, &Settings::language},
    {CharacterSet, &Settings::characterSet},
    {IsViewLineAddress, &Settings::isViewLineAddress},
    {PictureZoom, &Settings::pictureZoom},
    {IsTvAspect, &Settings::isTvAspect},
    {IsDrawSprites, &Settings::isDrawSprites},
    {SpriteSize, &Settings::spriteSize},
    {IsMsx2Colors, &Settings::isMsx2Colors},
    {WindowGeometry, &Settings::windowGeometry},
    {IsWindowMaximized, &Settings::isWindowMaximized},
    {MemberListWidth, &Settings::memberListWidth},
    {ListingZoom, &Settings::listingZoom},
    {IsLineNumberGutter, &Settings::isLineNumberGutter},
    {UseSyntaxColors, &Settings::useSyntaxColors},
    {SyntaxColorScheme, &Settings::syntaxColorScheme},
    {RoleColors, &Settings::roleColors},
}};

template <class... Fs> struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <class... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

} // namespace

const std::array<std::string_view, 37> StartupReadOrder = {
    FontNameAnk,       FontNameAnkGraph,    FontNameKanji,
    FontSize,          IsAnkMode,           FontColor,
    BackgroundColor,   UseWordWrap,         IsViewOverLine65530,
    IsMap0xAD,         MapFontFrom0xAD,     MapCodeFrom0xAD,
    IsReload,          FontCharset,         TempFileDir,
    LastOpenDir,       LastOpenFilterIndex, ScreenMode,
    IsStretch,         ActivePageIndex,     IsAutoDetectScreenMode,
    Language,          CharacterSet,        IsViewLineAddress,
    PictureZoom,       IsTvAspect,          IsDrawSprites,
    WindowGeometry,    IsWindowMaximized,   MemberListWidth,
    ListingZoom,       IsLineNumberGutter,  UseSyntaxColors,
    SyntaxColorScheme, RoleColors,          SpriteSize,
    IsMsx2Colors,
};

const std::array<std::string_view, 25> SettingsDialogWriteOrder = {
    FontSize,           IsAnkMode,
    UseWordWrap,        FontCharset,
    FontNameAnk,        FontNameAnkGraph,
    FontNameKanji,      FontColor,
    BackgroundColor,    TempFileDir,
    IsMap0xAD,          MapFontFrom0xAD,
    MapCodeFrom0xAD,    IsViewOverLine65530,
    ScreenMode,         IsAutoDetectScreenMode,
    IsReload,           Language,
    CharacterSet,       IsViewLineAddress,
    IsLineNumberGutter, UseSyntaxColors,
    SyntaxColorScheme,  RoleColors,
    IsMsx2Colors,
};

std::span<const SettingEntry> settingsTable()
{
    return Table;
}

const SettingEntry* findSetting(std::string_view name)
{
    auto it = std::find_if(Table.begin(), Table.end(), [&](const SettingEntry& e) { return e.name == name; });
    return it == Table.end() ? nullptr : &*it;
}

const SettingEntry* findSetting(SettingField field)
{
    auto it = std::find_if(Table.begin(), Table.end(), [&](const SettingEntry& e) { return e.field == field; });
    return it == Table.end() ? nullptr : &*it;
}

bool readSetting(const SettingsStore& store, Settings& settings, std::string_view name)
{
    const SettingEntry* entry = findSetting(name);
    if (!entry)
        return false;
    std::visit(
        Overloaded{
            [&](std::string Settings::*field) {
                settings.*field = store.readString(SettingsSection, name, settings.*field);
            },
            [&](std::int32_t Settings::*field) {
                settings.*field = store.readInteger(SettingsSection, name, settings.*field);
            },
            [&](bool Settings::*field) { settings.*field = store.readBool(SettingsSection, name, settings.*field); },
            [&](std::uint8_t Settings::*field) {
                // A stored number above 255 keeps its low 8 bits.
                std::int32_t value = store.readInteger(SettingsSection, name, settings.*field);
                settings.*field = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFFu);
            },
            [&](std::uint32_t Settings::*field) {
                std::int32_t value =
                    store.readInteger(SettingsSection, name, static_cast<std::int32_t>(settings.*field));
                settings.*field = static_cast<std::uint32_t>(value);
            },
        },
        entry->field);
    return true;
}

msx::CharacterSet characterSetSetting(const Settings& settings)
{
    return msx::characterSetFromName(settings.characterSet).value_or(msx::CharacterSet::Japanese);
}

void readAllSettings(SettingsStore& store, Settings& settings)
{
    store.writeString(SettingsSection, Version, VersionText);
    for (std::string_view name : StartupReadOrder)
        readSetting(store, settings, name);
}

bool writeSettings(SettingsStore& store, const Settings& settings, std::span<const std::string_view> names)
{
    bool ok = true;
    for (std::string_view name : names) {
        const SettingEntry* entry = findSetting(name);
        if (!entry) {
            ok = false;
            continue;
        }
        ok = std::visit(
                 Overloaded{
                     [&](std::string Settings::*field) {
                         return store.writeString(SettingsSection, name, settings.*field);
                     },
                     [&](std::int32_t Settings::*field) {
                         return store.writeInteger(SettingsSection, name, settings.*field);
                     },
                     [&](bool Settings::*field) { return store.writeBool(SettingsSection, name, settings.*field); },
                     [&](std::uint8_t Settings::*field) {
                         return store.writeInteger(SettingsSection, name, settings.*field);
                     },
                     [&](std::uint32_t Settings::*field) {
                         return store.writeInteger(SettingsSection, name, static_cast<std::int32_t>(settings.*field));
                     },
                 },
                 entry->field)
             && ok;
    }
    return ok;
}

bool writeSettings(SettingsStore& store, const Settings& settings, std::initializer_list<std::string_view> names)
{
    return writeSettings(store, settings, std::span(names.begin(), names.size()));
}

bool saveSettings(const std::string& storePath, const Settings& settings, std::span<const std::string_view> names)
{
    SettingsStore store(storePath);
    bool ok = writeSettings(store, settings, names);
    return store.close() && ok;
}

bool saveSettings(const std::string& storePath, const Settings& settings, std::initializer_list<std::string_view> names)
{
    return saveSettings(storePath, settings, std::span(names.begin(), names.size()));
}

} // namespace quillet::app
