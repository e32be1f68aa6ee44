// SPDX-License-Identifier: MIT
#pragma once
// What every window of the program shares: the interface font, and the
// colours as the settings store them (0x00BBGGRR).

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string_view>

// The Japanese interface fonts among `installed`, best first: the design's
// proportional Gothic, then those Linux desktops carry. The MSX pixel fonts
// the program registers are never among them.
QStringList japaneseInterfaceFamilies(const QStringList& installed);

// The interface font of `language` ("ja" or "en"), at the platform's size:
// the Japanese interface is drawn in a Japanese font first, the English one
// in the platform's font with a Japanese font behind it for Japanese names,
// and GNU Unifont last where it is installed, so that no kana or kanji is
// taken from whatever font happens to hold a few of them (such as the MSX
// pixel fonts the program registers).
QFont interfaceFont(std::string_view language, const QFont& platform, const QStringList& installed);

// Program start, before any window: every window, menu and dialog takes the
// interface font of `language`.
void applyInterfaceFont(std::string_view language);

inline QColor colorFromSetting(std::uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

inline std::uint32_t settingFromColor(const QColor& color)
{
    return static_cast<std::uint32_t>(color.red()) | (static_cast<std::uint32_t>(color.green()) << 8)
           | (static_cast<std::uint32_t>(color.blue()) << 16);
}
