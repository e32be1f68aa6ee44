// SPDX-License-Identifier: MIT
// The listing view as a person uses it, offscreen: selecting with the mouse
// and the keys, wrapping, finding far down a long listing, and the compact
// text behind it (positions, fragments, searches).

#include "UiTestSupport.h"
#include "common/QuilletUnitGrobal.h"
#include "support/TestSupport.h"
#include "ui/ListingText.h"
#include "ui/ListingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

#include <string>

using namespace quillet;
using namespace quillet::test;

namespace {

QTextCharFormat colour(QColor c)
{
    QTextCharFormat format;
    format.setForeground(c);
    return format;
}

// "AB cd" / "" / "Ef ab" with the second word of each line in red.
ListingText threeLines()
{
    ListingText text;
    const int plain = text.addFormat(colour(Qt::black));
    const int red = text.addFormat(colour(Qt::red));
    text.append(u"AB ", plain);
    text.append(u"cd", red);
    text.endLine();
    text.endLine();
    text.append(u"Ef ", plain);
    text.append(u"ab", red);
    return text;
}

} // namespace

TEST(ListingText, PositionsCountEachLineEndAsRichTextDoes)
{
    const ListingText text = threeLines();
    ASSERT_EQ(text.lineCount(), 3);
    EXPECT_EQ(text.endPosition(), 12); // 5 + 1 + 0 + 1 + 5
    EXPECT_EQ(text.lineStartPosition(2), 7);
    EXPECT_EQ(text.lineOf(5), 0) << "the end of a line belongs to it";
    EXPECT_EQ(text.lineOf(6), 1);
    EXPECT_EQ(text.lineOf(7), 2);
    EXPECT_EQ(text.longestLine(), 5);
    EXPECT_EQ(text.plainText(3, 9), "cd\n\nEf");

    // A range cut inside runs gives its pieces, in their formats.
    QString pieces;
    text.forEachFragment(
        4, 11,
        [&](QStringView part, const QTextCharFormat& format) {
            pieces += part.toString() + (format.foreground().color() == Qt::red ? "(r)" : "(b)");
        },
        [&] { pieces += '|'; });
    EXPECT_EQ(pieces, "d(r)||Ef (b)a(r)");

    // The same range as a document: its blocks and formats.
    QTextDocument document;
    text.fillDocument(document, 4, 11);
    EXPECT_EQ(document.blockCount(), 3);
    EXPECT_EQ(document.toPlainText(), "d\n\nEf a");
}

// A line longer than a row is shown as rows of RowCharacters, a character
// of two UTF-16 units never cut; positions, text and lines stay whole.
TEST(ListingText, LongLinesAreShownInRowsAndStayWhole)
{
    constexpr qsizetype Row = ListingText::RowCharacters;
    const QString pair = QString::fromUcs4(U"\U0001FB8C"); // two UTF-16 units
    struct Case {
        const char* what;
        QStringList lines;
        std::vector<qsizetype> rowLengths; // every row, in order
    };
    const Case cases[] = {
        {"short lines", {"10 A", "", "20 B"}, {4, 0, 4}},
        {"exactly a row", {QString(Row, u'x'), "20 B"}, {Row, 4}},
        {"two and a half rows, then more", {"10 A", QString(Row * 5 / 2, u'y'), "30 C"}, {4, Row, Row, Row / 2, 4}},
        {"a character across a row's end", {QString(Row - 1, u'z') + pair + "ab"}, {Row - 1, 4}},
        {"the last line long", {"10 A", QString(Row + 1, u'w')}, {4, Row, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ListingText text;
        const int plain = text.addFormat(colour(Qt::black));
        for (qsizetype i = 0; i < c.lines.size(); ++i) {
            if (i > 0)
                text.endLine();
            // In pieces, as the reader hands them over.
            for (qsizetype at = 0; at < c.lines[i].size(); at += 1000)
                text.append(QStringView(c.lines[i]).mid(at, 1000), plain);
        }
        ASSERT_EQ(text.lineCount(), c.lines.size());
        ASSERT_EQ(text.rowCount(), static_cast<qsizetype>(c.rowLengths.size()));
        QString shown;
        qsizetype row = 0;
        for (qsizetype line = 0; line < text.lineCount(); ++line) {
            EXPECT_EQ(text.firstRowOf(line), row);
            QString joined;
            do {
                EXPECT_EQ(text.lineOfRow(row), line);
                EXPECT_EQ(text.rowLength(row), c.rowLengths[static_cast<std::size_t>(row)]) << "row " << row;
                EXPECT_EQ(text.rowOf(text.rowStartPosition(row)), row) << "a row's first position is its own";
                qsizetype formatted = 0;
                for (const QTextLayout::FormatRange& range : text.rowFormats(row))
                    formatted += range.length;
                EXPECT_EQ(formatted, text.rowLength(row));
                joined += text.row(row);
            } while (!text.endsLine(row++));
            EXPECT_EQ(joined, c.lines[line]);
            EXPECT_EQ(text.rowOf(text.lineStartPosition(line) + text.lineLength(line)), row - 1)
                << "a line's end is on its last row";
            shown += joined + (line + 1 < text.lineCount() ? "\n" : "");
        }
        EXPECT_EQ(row, text.rowCount());
        EXPECT_EQ(text.plainText(0, text.endPosition()), shown) << "copies take lines whole";
        EXPECT_LE(text.longestRow(), Row);
    }
}

TEST(ListingText, FindMatchesAsTheFindWindowAsks)
{
    const ListingText text = threeLines();
    EXPECT_EQ(text.find("ab", 0, {}), 0) << "case ignored unless asked";
    EXPECT_EQ(text.find("ab", 0, QTextDocument::FindCaseSensitively), 10);
    EXPECT_EQ(text.find("ab", 1, {}), 10);
    EXPECT_EQ(text.find("b c", 0, {}), 1);
    EXPECT_EQ(text.find("A", 0, QTextDocument::FindWholeWords), -1);
    EXPECT_EQ(text.find("ef", 0, QTextDocument::FindWholeWords), 7);
    EXPECT_EQ(text.find("d\nE", 0, {}), -1) << "a match stays within a line";
    EXPECT_EQ(text.find("AB", 12, QTextDocument::FindBackward), 10);
    EXPECT_EQ(text.find("AB", 10, QTextDocument::FindBackward), 0);
    EXPECT_EQ(text.find("AB", 0, QTextDocument::FindBackward), -1);
    EXPECT_EQ(text.find("", 0, {}), -1);
}

TEST(ListingText, ChangingEveryFormatKeepsTheirOwnProperties)
{
    ListingText text = threeLines();
    QTextCharFormat change;
    change.setFontPointSize(20);
    change.setForeground(Qt::blue);
    text.mergeIntoEveryFormat(change);
    for (const QTextLayout::FormatRange& range : text.lineFormats(0)) {
        EXPECT_EQ(range.format.fontPointSize(), 20.0);
        EXPECT_EQ(range.format.foreground().color(), QColor(Qt::blue));
    }
    EXPECT_TRUE(text.lineFormats(1).isEmpty());
}

namespace {

class ListingViewLinesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        view = std::make_unique<ListingView>();
        view->resize(400, 200);
        view->show();
    }

    void build(const std::string& listing, bool wrap = false)
    {
        Settings settings;
        settings.useWordWrap = wrap;
        showListingBytes(*view, listing, settings, Qt::black, Qt::white, dir / "listing.rtf");
        QApplication::processEvents();
    }

    // The middle of a character cell, counted from the first line shown.
    QPoint cellPoint(int column, int row = 0) const
    {
        const QTextLine line = firstLineLaidOut();
        const qreal cell = line.cursorToX(3) / 3; // over "10 "
        return {static_cast<int>(4 + (column + 0.5) * cell), static_cast<int>(4 + (row + 0.5) * line.height())};
    }
    QTextLine firstLineLaidOut() const
    {
        layout_ = std::make_unique<QTextLayout>(view->text().line(0).toString(), view->defaultFont());
        layout_->setFormats(view->text().lineFormats(0));
        layout_->beginLayout();
        QTextLine line = layout_->createLine();
        line.setLineWidth(1e6);
        layout_->endLayout();
        return line;
    }

    mutable std::unique_ptr<QTextLayout> layout_;
    ScratchDir dir;
    std::unique_ptr<ListingView> view;
};

std::string manyLines(int count)
{
    std::string listing;
    for (int n = 1; n <= count; ++n)
        listing += std::to_string(n) + " PRINT \"LINE" + std::to_string(n) + "\"\r\n";
    return listing;
}

} // namespace

TEST_F(ListingViewLinesTest, MouseDragSelectsAndShiftClickExtends)
{
    build("10 PRINT \"AB\"\r\n20 END\r\n");
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, cellPoint(3));
    QTest::mouseMove(view->viewport(), cellPoint(8));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, cellPoint(8));
    EXPECT_EQ(view->selectedText(), "PRINT");
    if (QApplication::clipboard()->supportsSelection())
        EXPECT_EQ(QApplication::clipboard()->text(QClipboard::Selection), "PRINT");

    // Shift and a click on the next line carry the selection over the line end.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellPoint(2, 1));
    EXPECT_EQ(view->selectedText(), "PRINT \"AB\"\n20");

    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cellPoint(5));
    EXPECT_EQ(view->selectedText(), "PRINT") << "a double click takes the word";
}

TEST_F(ListingViewLinesTest, KeysMoveSelectAndCopy)
{
    build("10 PRINT \"AB\"\r\n20 END\r\n");
    view->setFocus();
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view->selectedText(), "10");
    QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view->selectedText(), "10 PRINT \"AB\"\n20");
    QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "10 PRINT \"AB\"\n20");

    QTest::keyClick(view.get(), Qt::Key_End);
    EXPECT_FALSE(view->hasSelection());
    EXPECT_EQ(view->cursorPosition(), view->text().lineStartPosition(1) + 6);
    QTest::keyClick(view.get(), Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->selectionStart(), 0);
    QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view->selectedText(), view->toPlainText());
    EXPECT_EQ(view->toPlainText(), "10 PRINT \"AB\"\n20 END\n");
}

TEST_F(ListingViewLinesTest, FindScrollsTheMatchIntoView)
{
    build(manyLines(5000));
    const QScrollBar* bar = view->verticalScrollBar();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_GT(bar->maximum(), 4900);
    ASSERT_TRUE(view->find("LINE4321\""));
    EXPECT_EQ(view->cursorLine(), 4320);
    EXPECT_LE(bar->value(), 4320);
    EXPECT_GT(bar->value() + bar->pageStep(), 4320) << "the match is on a line shown";

    // Paging down moves the cursor a page of lines.
    view->setSelection(0, 0);
    view->setFocus();
    QTest::keyClick(view.get(), Qt::Key_PageDown);
    EXPECT_EQ(view->cursorLine(), bar->pageStep());
}

TEST_F(ListingViewLinesTest, WrappingTakesTheWidthAndDropsTheHorizontalBar)
{
    const std::string longLine = "10 REM " + std::string(300, 'X') + "\r\n20 END\r\n";
    build(longLine);
    EXPECT_GT(view->horizontalScrollBar()->maximum(), 0) << "an unwrapped long line scrolls sideways";
    build(longLine, true);
    EXPECT_TRUE(view->wordWrap());
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    // The long word starts a row of its own, within the same line.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cellPoint(0, 1));
    EXPECT_EQ(view->cursorLine(), 0);
    EXPECT_EQ(view->cursorPosition(), 7);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cellPoint(3, 2));
    EXPECT_EQ(view->cursorLine(), 0);
    EXPECT_GT(view->cursorPosition(), 10) << "the third row is still the first line";
}

// A line of a megabyte scrolls by rows like many lines: the keys go down a
// row, the end of the line is the end of its last row, and a copy of all
// is the line as it is.
TEST_F(ListingViewLinesTest, AVeryLongLineScrollsByRowsAndCopiesWhole)
{
    std::string line = "10 REM ";
    while (line.size() < (1u << 20))
        line += "0123456789ABCDEF";
    build(line);
    const ListingText& text = view->text();
    ASSERT_EQ(text.lineCount(), 1);
    EXPECT_GT(text.rowCount(), 500);
    const QScrollBar* bar = view->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), text.rowCount() - bar->pageStep());
    view->setFocus();
    QTest::keyClick(view.get(), Qt::Key_Right);
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(view->cursorPosition(), ListingText::RowCharacters + 1);
    QTest::keyClick(view.get(), Qt::Key_End);
    EXPECT_EQ(view->cursorPosition(), static_cast<qsizetype>(line.size()));
    EXPECT_EQ(bar->value(), bar->maximum()) << "the end is shown";
    QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view->selectedText().toStdString(), line);
}

TEST_F(ListingViewLinesTest, ReadingInPartsGivesTheWholeListing)
{
    // More lines than one part of the reader holds.
    const std::string listing = manyLines(40000);
    build(listing);
    ASSERT_EQ(view->text().lineCount(), 40001);
    EXPECT_EQ(view->text().line(39999).toString(), "40000 PRINT \"LINE40000\"");
    std::string expected;
    for (const char c : listing) {
        if (c != '\r')
            expected += c;
    }
    EXPECT_EQ(view->toPlainText().toStdString(), expected);
}
