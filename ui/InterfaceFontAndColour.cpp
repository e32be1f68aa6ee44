// SPDX-License-Identifier: MIT
#include "ui/InterfaceFontAndColour.h"

#include "ui/Translations.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>

#include <initializer_list>

namespace {

QStringList installedOf(std::initializer_list<const char*> families, const QStringList& installed)
{
    QStringList found;
    for (const char* family : families) {
        const QString name = QString::fromUtf8(family);
        if (installed.contains(name, Qt::CaseInsensitive))
            found << name;
    }
    return found;
}

} // namespace

QStringList japaneseInterfaceFamilies(const QStringList& installed)
{
    // Each under its English and, as a Japanese desktop lists it, its own name.
    return installedOf({"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "IPA Pゴシック", "Noto Sans CJK JP",
                        "Noto Sans JP", "VL PGothic", "VL Pゴシック", "TakaoPGothic", "Takao Pゴシック", "IPAexGothic",
                        "IPAexゴシック", "IPAGothic", "IPAゴシック", "Droid Sans Fallback"},
                       installed);
}

QFont interfaceFont(std::string_view language, const QFont& platform, const QStringList& installed)
{
    QStringList families{platform.family()};
    const QStringList japanese = japaneseInterfaceFamilies(installed);
    if (language == quillet::ui::EnglishLanguage)
        families << japanese;
    else
        families = japanese + families;
    // Without any of those: every kanji from one font, if in pixels, rather
    // than a few from whatever font holds them.
    families << installedOf({"Unifont-JP", "Unifont"}, installed);
    families.removeDuplicates();
    QFont font = platform;
    font.setFamilies(families);
    return font;
}

void applyInterfaceFont(std::string_view language)
{
    // The family the platform's font resolves to: a generic name such as
    // "Sans Serif" is no family of its own, and in a list the first real
    // family would take its place.
    QFont platform = QApplication::font();
    platform.setFamily(QFontInfo(platform).family());
    QApplication::setFont(interfaceFont(language, platform, QFontDatabase::families()));
}
