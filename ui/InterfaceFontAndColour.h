#pragma once
// What every window of the program shares: the interface font, and the
// colours as the settings store them (0x00BBGGRR).

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>

// The font named by the design, falling back to the platform's own.
inline void applyInterfaceFont(QWidget& window)
{
    QFont font = window.font();
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), font.family()});
    font.setPixelSize(12);
    window.setFont(font);
}

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
