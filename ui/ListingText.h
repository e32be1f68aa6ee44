// SPDX-License-Identifier: MIT
#pragma once
// The text of a listing held compactly: every character in one string,
// where each line starts, and runs of a few shared formats. A 10 MB listing
// costs about twice its size here, where a rich-text document of it costs
// twenty times; the view lays out only the lines it shows.
//
// Positions count as in a rich-text document: the characters of each line,
// then one for its end, so line i starts at lineStart(i) + i.

#include <QList>
#include <QString>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextLayout>

#include <functional>
#include <vector>

class ListingText {
public:
    // Building: characters of the current line, then endLine() between lines.
    void clear();
    void reserve(qsizetype characters);
    int addFormat(const QTextCharFormat& format);
    void append(QStringView characters, int format);
    void endLine();

    bool isEmpty() const { return text_.isEmpty() && starts_.size() == 1; }
    qsizetype lineCount() const { return static_cast<qsizetype>(starts_.size()); }
    QStringView line(qsizetype index) const;
    qsizetype lineLength(qsizetype index) const { return lineEnd(index) - starts_[static_cast<std::size_t>(index)]; }
    qsizetype longestLine() const { return longest_; }

    // Document positions, 0 to endPosition().
    qsizetype lineStartPosition(qsizetype index) const { return starts_[static_cast<std::size_t>(index)] + index; }
    qsizetype endPosition() const { return text_.size() + lineCount() - 1; }
    qsizetype lineOf(qsizetype position) const;

    // The formats, shared by every run that uses them.
    const std::vector<QTextCharFormat>& formats() const { return formats_; }
    void mergeIntoEveryFormat(const QTextCharFormat& change);

    // The format ranges of one line, for its layout.
    QList<QTextLayout::FormatRange> lineFormats(qsizetype index) const;
    // Calls visit(text, format) for each run of one format between two
    // positions, and endOfLine() at each line end the range crosses.
    void forEachFragment(qsizetype from, qsizetype to,
                         const std::function<void(QStringView, const QTextCharFormat&)>& visit,
                         const std::function<void()>& endOfLine) const;

    // The characters between two positions, lines joined by '\n' and
    // no-break spaces as spaces, as a rich-text document gives them.
    QString plainText(qsizetype from, qsizetype to) const;
    // The range as a rich-text document, for printing and copying.
    void fillDocument(QTextDocument& document, qsizetype from, qsizetype to) const;

    // The first match at or after `from` (before it when searching
    // backward), within one line as a rich-text document finds; -1 if none.
    qsizetype find(const QString& what, qsizetype from, QTextDocument::FindFlags flags) const;

private:
    struct Run {
        qsizetype start; // in text_
        int format;
    };
    qsizetype lineEnd(qsizetype index) const;
    qsizetype offsetOf(qsizetype position) const { return position - lineOf(position); }

    QString text_;
    std::vector<qsizetype> starts_{0};
    std::vector<Run> runs_;
    std::vector<QTextCharFormat> formats_;
    qsizetype longest_ = 0;
};
