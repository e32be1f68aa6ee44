// SPDX-License-Identifier: MIT
#include "ui/ListingText.h"

#include <QTextCursor>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstdint>

void ListingText::clear()
{
    text_.clear();
    text_.squeeze();
    starts_.assign(1, 0);
    starts_.shrink_to_fit();
    runs_.clear();
    runs_.shrink_to_fit();
    breaks_.clear();
    breaks_.shrink_to_fit();
    rowStart_ = 0;
    formats_.clear();
    longest_ = 0;
}

void ListingText::reserve(qsizetype characters)
{
    text_.reserve(characters);
#if defined(MADV_HUGEPAGE)
    // A large text is written once, front to back: in large pages it takes
    // a page fault per 2 MiB instead of per 4 KiB.
    constexpr std::uintptr_t Large = 2 << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(text_.data());
    const std::uintptr_t from = (start + Large - 1) & ~(Large - 1);
    const std::uintptr_t to = (start + static_cast<std::uintptr_t>(text_.capacity()) * sizeof(QChar)) & ~(Large - 1);
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

int ListingText::addFormat(const QTextCharFormat& format)
{
    const auto found = std::find(formats_.begin(), formats_.end(), format);
    if (found != formats_.end())
        return static_cast<int>(found - formats_.begin());
    formats_.push_back(format);
    return static_cast<int>(formats_.size()) - 1;
}

void ListingText::append(QStringView characters, int format)
{
    if (characters.isEmpty())
        return;
    if (runs_.empty() || runs_.back().format != format)
        runs_.push_back({text_.size(), format});
    text_.append(characters);
    while (text_.size() - rowStart_ > RowCharacters) {
        qsizetype cut = rowStart_ + RowCharacters;
        if (text_[cut - 1].isHighSurrogate()) // a character stays in one row
            --cut;
        breaks_.push_back(cut);
        rowStart_ = cut;
    }
}

void ListingText::endLine()
{
    longest_ = std::max(longest_, text_.size() - starts_.back());
    starts_.push_back(text_.size());
    rowStart_ = text_.size();
}

qsizetype ListingText::lineEnd(qsizetype index) const
{
    const auto next = static_cast<std::size_t>(index) + 1;
    return next < starts_.size() ? starts_[next] : text_.size();
}

QStringView ListingText::line(qsizetype index) const
{
    const qsizetype start = starts_[static_cast<std::size_t>(index)];
    return QStringView(text_).mid(start, lineEnd(index) - start);
}

namespace {

// The last of lines 0 .. count - 1 whose key is at or below `value`, the
// keys growing with the line (line 0 when none is).
template <class Key> qsizetype lastLineAtOrBefore(qsizetype count, qsizetype value, Key key)
{
    qsizetype low = 0, high = count - 1;
    while (low < high) {
        const qsizetype middle = low + (high - low + 1) / 2;
        if (key(middle) <= value)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

} // namespace

qsizetype ListingText::lineOf(qsizetype position) const
{
    return lastLineAtOrBefore(lineCount(), position, [this](qsizetype line) { return lineStartPosition(line); });
}

std::size_t ListingText::firstBreakOf(qsizetype line) const
{
    // Breaks lie inside their lines, never at a line's start.
    const qsizetype start = starts_[static_cast<std::size_t>(line)];
    return static_cast<std::size_t>(std::lower_bound(breaks_.begin(), breaks_.end(), start) - breaks_.begin());
}

qsizetype ListingText::firstRowOf(qsizetype line) const
{
    return line + static_cast<qsizetype>(firstBreakOf(line));
}

qsizetype ListingText::lineOfRow(qsizetype row) const
{
    if (breaks_.empty())
        return row;
    return lastLineAtOrBefore(lineCount(), row, [this](qsizetype line) { return firstRowOf(line); });
}

std::pair<qsizetype, qsizetype> ListingText::rowSpan(qsizetype row) const
{
    const qsizetype line = lineOfRow(row);
    const auto piece = static_cast<std::size_t>(row - firstRowOf(line));
    const std::size_t first = firstBreakOf(line);
    const qsizetype end = lineEnd(line);
    const qsizetype from = piece == 0 ? starts_[static_cast<std::size_t>(line)] : breaks_[first + piece - 1];
    const std::size_t next = first + piece;
    return {from, next < breaks_.size() && breaks_[next] < end ? breaks_[next] : end};
}

QStringView ListingText::row(qsizetype row) const
{
    const auto [from, to] = rowSpan(row);
    return QStringView(text_).mid(from, to - from);
}

qsizetype ListingText::rowLength(qsizetype row) const
{
    const auto [from, to] = rowSpan(row);
    return to - from;
}

qsizetype ListingText::rowStartPosition(qsizetype row) const
{
    return rowSpan(row).first + lineOfRow(row);
}

bool ListingText::endsLine(qsizetype row) const
{
    const qsizetype line = lineOfRow(row);
    return line + 1 == lineCount() ? row + 1 == rowCount() : firstRowOf(line + 1) == row + 1;
}

qsizetype ListingText::rowOf(qsizetype position) const
{
    const qsizetype line = lineOf(position);
    const auto first = breaks_.begin() + static_cast<std::ptrdiff_t>(firstBreakOf(line));
    // Breaks of later lines lie past this line's end, so past the offset.
    return firstRowOf(line) + (std::upper_bound(first, breaks_.end(), position - line) - first);
}

void ListingText::mergeIntoEveryFormat(const QTextCharFormat& change)
{
    for (QTextCharFormat& format : formats_)
        format.merge(change);
}

QList<QTextLayout::FormatRange> ListingText::lineFormats(qsizetype index) const
{
    return formatsBetween(starts_[static_cast<std::size_t>(index)], lineEnd(index));
}

QList<QTextLayout::FormatRange> ListingText::rowFormats(qsizetype row, const std::vector<QTextCharFormat>* shown) const
{
    const auto [from, to] = rowSpan(row);
    return formatsBetween(from, to, shown);
}

QList<QTextLayout::FormatRange> ListingText::formatsBetween(qsizetype start, qsizetype end,
                                                            const std::vector<QTextCharFormat>* shown) const
{
    const std::vector<QTextCharFormat>& formats = shown ? *shown : formats_;
    QList<QTextLayout::FormatRange> ranges;
    if (start == end)
        return ranges;
    auto run = std::upper_bound(runs_.begin(), runs_.end(), start,
                                [](qsizetype offset, const Run& r) { return offset < r.start; });
    --run; // the run the line's first character is in
    for (; run != runs_.end() && run->start < end; ++run) {
        const qsizetype runEnd = run + 1 != runs_.end() ? (run + 1)->start : text_.size();
        const qsizetype from = std::max(run->start, start);
        const qsizetype to = std::min(runEnd, end);
        ranges.append({static_cast<int>(from - start), static_cast<int>(to - from),
                       formats[static_cast<std::size_t>(run->format)]});
    }
    return ranges;
}

void ListingText::forEachFragment(qsizetype from, qsizetype to,
                                  const std::function<void(QStringView, const QTextCharFormat&)>& visit,
                                  const std::function<void()>& endOfLine) const
{
    from = std::clamp<qsizetype>(from, 0, endPosition());
    to = std::clamp<qsizetype>(to, from, endPosition());
    const qsizetype first = lineOf(from);
    const qsizetype last = lineOf(to);
    for (qsizetype index = first; index <= last; ++index) {
        const qsizetype start = index == first ? offsetOf(from) : starts_[static_cast<std::size_t>(index)];
        const qsizetype end = index == last ? offsetOf(to) : lineEnd(index);
        const qsizetype lineStart = starts_[static_cast<std::size_t>(index)];
        for (const QTextLayout::FormatRange& range : lineFormats(index)) {
            const qsizetype rangeStart = std::max(lineStart + range.start, start);
            const qsizetype rangeEnd = std::min(lineStart + range.start + range.length, end);
            if (rangeStart < rangeEnd)
                visit(QStringView(text_).mid(rangeStart, rangeEnd - rangeStart), range.format);
        }
        if (index < last)
            endOfLine();
    }
}

QString ListingText::plainText(qsizetype from, qsizetype to) const
{
    QString out;
    out.reserve(std::max<qsizetype>(0, to - from));
    forEachFragment(
        from, to, [&out](QStringView text, const QTextCharFormat&) { out += text; }, [&out] { out += u'\n'; });
    out.replace(QChar::Nbsp, u' ');
    return out;
}

void ListingText::fillDocument(QTextDocument& document, qsizetype from, qsizetype to) const
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    forEachFragment(
        from, to,
        [&cursor](QStringView text, const QTextCharFormat& format) { cursor.insertText(text.toString(), format); },
        [&cursor] { cursor.insertBlock(); });
    cursor.endEditBlock();
}

namespace {

bool isWordAt(QStringView line, qsizetype at, qsizetype length)
{
    const bool startsWord = at == 0 || !line[at - 1].isLetterOrNumber();
    const bool endsWord = at + length >= line.size() || !line[at + length].isLetterOrNumber();
    return startsWord && endsWord;
}

} // namespace

qsizetype ListingText::find(const QString& what, qsizetype from, QTextDocument::FindFlags flags) const
{
    if (what.isEmpty())
        return -1;
    const Qt::CaseSensitivity cs =
        flags.testFlag(QTextDocument::FindCaseSensitively) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wholeWords = flags.testFlag(QTextDocument::FindWholeWords);
    from = std::clamp<qsizetype>(from, 0, endPosition());
    if (!flags.testFlag(QTextDocument::FindBackward)) {
        qsizetype column = from - lineStartPosition(lineOf(from));
        for (qsizetype index = lineOf(from); index < lineCount(); ++index, column = 0) {
            const QStringView text = line(index);
            for (qsizetype at = text.indexOf(what, column, cs); at >= 0; at = text.indexOf(what, at + 1, cs)) {
                if (!wholeWords || isWordAt(text, at, what.size()))
                    return lineStartPosition(index) + at;
            }
        }
        return -1;
    }
    // Backward: the last match that starts before `from`.
    qsizetype column = from - lineStartPosition(lineOf(from)) - 1;
    for (qsizetype index = lineOf(from); index >= 0; --index) {
        const QStringView text = line(index);
        if (index != lineOf(from))
            column = text.size() - 1;
        for (qsizetype at = column < 0 ? -1 : text.lastIndexOf(what, column, cs); at >= 0;
             at = at == 0 ? -1 : text.lastIndexOf(what, at - 1, cs)) {
            if (!wholeWords || isWordAt(text, at, what.size()))
                return lineStartPosition(index) + at;
        }
    }
    return -1;
}
