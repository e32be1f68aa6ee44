// SPDX-License-Identifier: MIT
#include "app/ListingRoles.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace quillet::app {

namespace {

constexpr std::uint8_t GraphicPrefix = 0x01;

// A lead byte of a double-byte character of code page 932.
bool isCp932Lead(std::uint8_t byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

std::uint32_t rgbOfSetting(std::uint32_t bgr)
{
    return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
}

void ShownRolesBuilder::addLine(std::string_view text, std::span<const RoleSpan> spans,
                                std::optional<std::uint16_t> number)
{
    if (number)
        shown_.numbers.emplace_back(*number, static_cast<std::ptrdiff_t>(shown_.lineLengths.size()));
    // Most lines have no graphic character: a byte, a character.
    if (ankMode_ && std::memchr(text.data(), GraphicPrefix, text.size()) == nullptr) {
        const std::size_t base = shown_.roles.size();
        shown_.roles.resize(base + text.size(), Role::Text);
        for (const RoleSpan& span : spans) {
            const std::size_t end = std::min<std::size_t>(text.size(), std::size_t{span.start} + span.length);
            if (span.start < end)
                std::fill(shown_.roles.begin() + static_cast<std::ptrdiff_t>(base + span.start),
                          shown_.roles.begin() + static_cast<std::ptrdiff_t>(base + end), span.role);
        }
        shown_.lineLengths.push_back(static_cast<std::uint32_t>(text.size()));
        return;
    }
    byteRoles_.assign(text.size(), Role::Text);
    for (const RoleSpan& span : spans) {
        const std::size_t end = std::min<std::size_t>(text.size(), std::size_t{span.start} + span.length);
        for (std::size_t at = span.start; at < end; ++at)
            byteRoles_[at] = span.role;
    }
    // As the RTF listing and the view read the bytes: in ANK mode a graphic
    // pair is one glyph; in Kanji mode the prefix is dropped and the bytes
    // left are read as code page 932.
    std::uint32_t shown = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<std::uint8_t>(text[at]);
        std::size_t take = 1;
        Role role = byteRoles_[at];
        if (byte == GraphicPrefix && at + 1 < text.size()) {
            if (ankMode_) {
                take = 2;
            } else {
                ++at; // the prefix shows nothing; its code is read as a byte of text
                role = byteRoles_[at];
                take = isCp932Lead(static_cast<std::uint8_t>(text[at])) && at + 1 < text.size() ? 2 : 1;
            }
        } else if (byte == GraphicPrefix) {
            break; // a prefix at the line's end shows nothing
        } else if (!ankMode_ && isCp932Lead(byte) && at + 1 < text.size()) {
            take = 2;
        }
        shown_.roles.push_back(role);
        ++shown;
        at += take;
    }
    shown_.lineLengths.push_back(shown);
}

RoleScheme roleSchemeSetting(const Settings& settings)
{
    return settings.syntaxColorScheme == 1 ? RoleScheme::MsxScreen : RoleScheme::Standard;
}

RoleColourSet roleColoursSetting(const Settings& settings)
{
    RoleColourSet colours = roleColoursFor(roleSchemeSetting(settings), rgbOfSetting(settings.fontColor),
                                           rgbOfSetting(settings.backgroundColor));
    std::string_view text = settings.roleColors;
    for (std::size_t role = 0; role < RoleCount && !text.empty(); ++role) {
        const std::size_t blank = text.find(' ');
        const std::string_view entry = text.substr(0, blank);
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
        std::uint32_t value = 0;
        const auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), value, 16);
        if (entry.size() == 6 && error == std::errc() && end == entry.data() + entry.size())
            colours[role] = value;
    }
    return colours;
}

std::string roleColorsText(const RoleColourSet& chosen, const RoleColourSet& scheme)
{
    if (chosen == scheme)
        return {};
    std::string text;
    for (std::size_t role = 0; role < RoleCount; ++role) {
        if (role > 0)
            text += ' ';
        if (chosen[role] == scheme[role]) {
            text += '-';
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "%06X", static_cast<unsigned>(chosen[role] & 0xFFFFFF));
        text += hex;
    }
    return text;
}

} // namespace quillet::app
