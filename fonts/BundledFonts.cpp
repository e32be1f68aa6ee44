// SPDX-License-Identifier: MIT
#include "fonts/BundledFonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

namespace quillet::fonts {

namespace {

QString familyName(msx::CharacterSet set)
{
    switch (set) {
    case msx::CharacterSet::Japanese: return QStringLiteral("Quillet MSX JP");
    case msx::CharacterSet::International: return QStringLiteral("Quillet MSX International");
    case msx::CharacterSet::Brazilian: return QStringLiteral("Quillet MSX Brazilian");
    }
    return {};
}

} // namespace

QStringList bundledFontFolders()
{
    const QString dir = QCoreApplication::applicationDirPath();
    return {dir + QStringLiteral("/fonts"), dir + QStringLiteral("/../share/quillet/fonts")};
}

int loadBundledFonts(const QStringList& folders)
{
    for (const QString& folder : folders) {
        const QDir dir(folder);
        const QStringList files = dir.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name);
        int loaded = 0;
        for (const QString& file : files) {
            if (QFontDatabase::addApplicationFont(dir.filePath(file)) >= 0)
                ++loaded;
        }
        if (loaded > 0)
            return loaded;
    }
    return 0;
}

QString bundledFamily(msx::CharacterSet set)
{
    const QString family = familyName(set);
    return QFontDatabase::families().contains(family) ? family : QString();
}

} // namespace quillet::fonts
