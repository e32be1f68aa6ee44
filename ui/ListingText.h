// SPDX-License-Identifier: MIT
#pragma once
// The text of a listing held compactly: every character in one string,
// where each line starts, and runs of a few shared formats. A 10 MB listing
// costs about twice its size here, where a rich-text document of it costs
// twenty times; the view lays out only the lines it shows.
//
// Positions count as in a rich-text document: the characters of each line,
// then one for its end, so line i starts at lineStart(i) + i.
//
// The view shows rows: a line longer than RowCharacters is cut into rows of
// at most that many characters, so that laying out what is shown never
// takes the whole of a line of megabytes. Only the showing is cut: the
// text, its positions, copies and saves keep every line whole.

#include <QList>
#include <QString>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextLayout>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

class ListingText {
public:
    static constexpr qsizetype RowCharacters = 2048;

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
    qsizetype longestLine() const { return std::max(longest_, text_.size() - starts_.back()); }

    // Document positions, 0 to endPosition().
    qsizetype lineStartPosition(qsizetype index) const { return starts_[static_cast<std::size_t>(index)] + index; }
    qsizetype endPosition() const { return text_.size() + lineCount() - 1; }
    qsizetype lineOf(qsizetype position) const;

    // Rows, as the view shows them; as many as lines but for long lines.
    qsizetype rowCount() const { return lineCount() + static_cast<qsizetype>(breaks_.size()); }
    qsizetype firstRowOf(qsizetype line) const;
    qsizetype lineOfRow(qsizetype row) const;
    QStringView row(qsizetype row) const;
    qsizetype rowLength(qsizetype row) const;
    qsizetype rowStartPosition(qsizetype row) const;
    // The row a position is shown in: where a line goes on in the next row,
    // the position between them is that row's first.
    qsizetype rowOf(qsizetype position) const;
    // Whether the line ends with this row.
    bool endsLine(qsizetype row) const;
    qsizetype longestRow() const { return std::min(longestLine(), RowCharacters); }

    // The formats, shared by every run that uses them.
    const std::vector<QTextCharFormat>& formats() const { return formats_; }
    void mergeIntoEveryFormat(const QTextCharFormat& change);

    // The format ranges of one line, or one row, for its layout.
    QList<QTextLayout::FormatRange> lineFormats(qsizetype index) const;
    // `shown` stands for the text's formats when given (as many of them).
    QList<QTextLayout::FormatRange> rowFormats(qsizetype row,
                                               const std::vector<QTextCharFormat>* shown = nullptr) const;
    // Where a row starts in the characters of the text (as text offsets, not
    // positions), and a line.
    qsizetype rowOffset(qsizetype row) const { return rowSpan(row).first; }
    qsizetype lineOffset(qsizetype line) const { return starts_[static_cast<std::size_t>(line)]; }
    qsizetype characterCount() const { return text_.size(); }
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
    // The first of the line's breaks in breaks_.
    std::size_t firstBreakOf(qsizetype line) const;
    // Where a row starts and ends in text_.
    std::pair<qsizetype, qsizetype> rowSpan(qsizetype row) const;
    QList<QTextLayout::FormatRange> formatsBetween(qsizetype start, qsizetype end,
                                                   const std::vector<QTextCharFormat>* shown = nullptr) const;

    QString text_;
    std::vector<qsizetype> starts_{0};
    std::vector<qsizetype> breaks_; // where a row that goes on with its line starts in text_
    qsizetype rowStart_ = 0;        // of the row being built
    std::vector<Run> runs_;
    std::vector<QTextCharFormat> formats_;
    qsizetype longest_ = 0;
};
