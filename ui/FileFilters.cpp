// SPDX-License-Identifier: MIT
#include "ui/FileFilters.h"

#include "document/Kinds.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>

namespace quillet::ui {

namespace {

// The texts are the main window's, where they have always been translated.
QString caption(const char* text)
{
    return QCoreApplication::translate("TForm1", text);
}

QStringList suffixPatterns(std::initializer_list<const char*> suffixes)
{
    QStringList patterns;
    for (const char* suffix : suffixes)
        patterns << QStringLiteral("*.") + QString::fromUtf8(suffix);
    return patterns;
}

QStringList basicPatterns()
{
    return suffixPatterns({"bas", "asc", "ﾊﾞｽ", "ｱｽｷ"});
}

// Every name pictures go by: SCREEN 1 to 12, the paint programs' and the
// interlaced pages'.
QStringList picturePatterns()
{
    QStringList patterns{QStringLiteral("*.sc?")};
    for (std::string_view suffix : PictureSuffixes) {
        // Those "*.sc?" names already (the suffixes are in lower case),
        // told without QDir::match, whose regular expressions were a
        // noticeable part of the viewer's start.
        if (suffix.size() != 3 || !suffix.starts_with("sc"))
            patterns << QStringLiteral("*.") + QString::fromLatin1(suffix.data(), qsizetype(suffix.size()));
    }
    return patterns;
}

QStringList containerPatterns()
{
    QStringList patterns;
    for (const ContainerKindInfo& info : ContainerKinds) {
        const QString suffixes = QString::fromLatin1(info.suffixes.data(), qsizetype(info.suffixes.size()));
        for (const QString& suffix : suffixes.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            patterns << QStringLiteral("*.") + suffix;
    }
    return patterns;
}

FileFilter allFiles()
{
    return {caption(QT_TRANSLATE_NOOP("TForm1", "すべてのファイル (*.*)")), {QStringLiteral("*")}};
}

bool fitsFilterSyntax(const QString& pattern)
{
    // What Qt reads between the parentheses of a filter.
    static const QRegularExpression syntax(QStringLiteral("^[a-zA-Z0-9_.,*?+;#\\-\\[\\]@{}/!<>$%&=^~:|]*$"));
    return syntax.match(pattern).hasMatch();
}

// Each pattern as written and in upper case.
QStringList bothCases(const QStringList& patterns)
{
    QStringList both;
    for (const QString& pattern : patterns) {
        both << pattern;
        if (const QString upper = pattern.toUpper(); upper != pattern)
            both << upper;
    }
    return both;
}

QString filterText(const FileFilter& filter)
{
    QStringList shown;
    for (const QString& pattern : bothCases(filter.patterns)) {
        if (fitsFilterSyntax(pattern))
            shown << pattern;
    }
    return filter.caption + QStringLiteral(" (") + shown.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The filters a dialog was given, kept with it, so that the patterns its
// filter text cannot carry reach its file list whenever a filter is chosen.
class DialogFilters : public QObject {
public:
    explicit DialogFilters(QFileDialog& dialog) : QObject(&dialog), dialog_(dialog)
    {
        setObjectName(QStringLiteral("FileFilters"));
        // After the dialog has given the list the filter's own patterns.
        connect(&dialog, &QFileDialog::filterSelected, this, [this] { applyPatterns(); });
    }

    QList<FileFilter> filters;

    void applyPatterns()
    {
        const int index = chosenFilterIndex(dialog_) - 1;
        auto* list = dialog_.findChild<QFileSystemModel*>();
        if (list && index >= 0 && index < filters.size())
            list->setNameFilters(bothCases(filters.at(index).patterns));
    }

private:
    QFileDialog& dialog_;
};

DialogFilters& filtersOf(QFileDialog& dialog)
{
    auto* kept = dialog.findChild<DialogFilters*>(QStringLiteral("FileFilters"), Qt::FindDirectChildrenOnly);
    return kept ? *kept : *new DialogFilters(dialog);
}

} // namespace

QList<FileFilter> openFileFilters()
{
    const QStringList basic = basicPatterns(), pictures = picturePatterns(), containers = containerPatterns();
    return {
        {caption(QT_TRANSLATE_NOOP("TForm1", "BASICファイル (*.bas)")), basic},
        {caption(QT_TRANSLATE_NOOP("TForm1", "BSAVEファイル (*.sc?)")), pictures},
        allFiles(),
        {caption(QT_TRANSLATE_NOOP("TForm1", "ディスク・テープイメージ、アーカイブ (*.dsk *.cas *.zip *.lzh)")),
         containers},
        // Last, so that the positions stored before it came keep naming the
        // filters they named.
        {caption(QT_TRANSLATE_NOOP("TForm1", "MSXファイル")), basic + pictures + containers},
    };
}

QList<FileFilter> asciiSaveFilters()
{
    return {{caption(QT_TRANSLATE_NOOP("TForm1", "BASICファイル (*.bas)")), basicPatterns()}, allFiles()};
}

QList<FileFilter> rtfSaveFilters()
{
    return {{caption(QT_TRANSLATE_NOOP("TForm1", "リッチ テキスト形式 (*.rtf)")), suffixPatterns({"rtf"})}};
}

QList<FileFilter> htmlSaveFilters()
{
    return {{caption(QT_TRANSLATE_NOOP("TForm1", "Webページ (*.html)")), suffixPatterns({"html", "htm"})}};
}

QList<FileFilter> bmpSaveFilters()
{
    return {{caption(QT_TRANSLATE_NOOP("TForm1", "ビットマップ形式 (*.bmp)")), suffixPatterns({"bmp"})}};
}

QList<FileFilter> pngSaveFilters()
{
    return {{caption(QT_TRANSLATE_NOOP("TForm1", "PNG形式 (*.png)")), suffixPatterns({"png"})}};
}

QList<FileFilter> memberSaveFilters()
{
    return {allFiles()};
}

QList<FileFilter> newDiskFilters()
{
    return {{caption(QT_TRANSLATE_NOOP("TForm1", "720 KB ディスクイメージ (*.dsk)")), suffixPatterns({"dsk"})},
            {caption(QT_TRANSLATE_NOOP("TForm1", "360 KB ディスクイメージ (*.dsk)")), suffixPatterns({"dsk"})}};
}

void setFileFilters(QFileDialog& dialog, const QList<FileFilter>& filters)
{
    DialogFilters& kept = filtersOf(dialog);
    kept.filters = filters;
    QStringList texts;
    for (const FileFilter& filter : filters)
        texts << filterText(filter);
    dialog.setNameFilters(texts);
    kept.applyPatterns();
}

bool selectFileFilter(QFileDialog& dialog, int index)
{
    const QStringList texts = dialog.nameFilters();
    if (index < 1 || index > texts.size())
        return false;
    dialog.selectNameFilter(texts.at(index - 1));
    filtersOf(dialog).applyPatterns();
    return true;
}

int chosenFilterIndex(const QFileDialog& dialog)
{
    // The dialog hides the patterns and may name the filter without them.
    const QString chosen = dialog.selectedNameFilter();
    const QStringList filters = dialog.nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& filter = filters.at(i);
        const qsizetype patterns = filter.lastIndexOf(QStringLiteral(" ("));
        if (filter == chosen || (patterns > 0 && filter.left(patterns) == chosen))
            return static_cast<int>(i) + 1;
    }
    return 1;
}

} // namespace quillet::ui
