// SPDX-License-Identifier: MIT
// Reading a listing: jumps by line number and by reference with back and
// forward, zoom in whole MSX pixels, and the role colours, which change
// nothing while they are off.

#include "MainWindowFixture.h"
#include "UiTestSupport.h"
#include "app/ListingRoles.h"
#include "render/RoleColours.h"
#include "ui/FindDialog.h"
#include "ui/ListingView.h"

#include <QAction>
#include <QInputDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

struct ApplicationReady {
    ApplicationReady() { ensureApplication(); }
};

// 10 GOTO 30 / 20 END / 30 GOTO 99, tokenized: the references are line
// number constants (0x0E).
const std::string JumpsProgram = hexBytes(R"(
    FF
    01 80  0A 00  89 20 0E 1E 00 00     # 10 GOTO 30
    01 80  14 00  81 00                 # 20 END
    01 80  1E 00  89 20 0E 63 00 00     # 30 GOTO 99
    00 00
)");

// Its listing, with the roles the decoder gives.
const std::string Jumps = "10 GOTO 30\r\n20 END\r\n30 GOTO 99\r\n";

app::ShownRoles jumpRoles()
{
    app::ShownRolesBuilder builder(true);
    builder.addLine("10 GOTO 30",
                    std::vector<RoleSpan>{{0, 2, Role::LineNumber}, {3, 4, Role::Keyword}, {8, 2, Role::LineReference}},
                    10);
    builder.addLine("20 END", std::vector<RoleSpan>{{0, 2, Role::LineNumber}, {3, 3, Role::Keyword}}, 20);
    builder.addLine("30 GOTO 99",
                    std::vector<RoleSpan>{{0, 2, Role::LineNumber}, {3, 4, Role::Keyword}, {8, 2, Role::LineReference}},
                    30);
    return builder.take();
}

class ListingReadingTest : public ::testing::Test {
protected:
    ListingReadingTest() { view.resize(500, 300); }

    void show(std::string_view listing)
    {
        showListingBytes(view, listing, Settings(), Qt::black, Qt::white, dir / "listing.rtf");
    }

    static SyntaxColors colorsOn()
    {
        SyntaxColors colors;
        colors.on = true;
        colors.colours = roleColoursFor(RoleScheme::Standard, 0x000000, 0xFFFFFF);
        colors.paper = colors.colours;
        return colors;
    }

    ApplicationReady application;
    ScratchDir dir;
    ListingView view;
};

// The first point of the view whose tooltip says `tip`, on the row of
// line `line`.
QPoint pointWithTip(ListingView& view, qsizetype line, const QString& tip)
{
    view.setSelection(view.text().lineStartPosition(line), view.text().lineStartPosition(line));
    const QRect row = view.cursorRowRect();
    for (int x = 0; x < view.viewport()->width(); ++x) {
        if (view.toolTipAt({x, row.center().y()}) == tip)
            return {x, row.center().y()};
    }
    ADD_FAILURE() << "no " << tip.toStdString();
    return {};
}

} // namespace

TEST_F(MainWindowTest, AReferenceIsALinkAndBackAndForwardRetraceTheJumps)
{
    start();
    window->show();
    window->openDocument(file("jumps.bas", JumpsProgram));
    ListingView* view = window->listingView();
    ASSERT_EQ(view->toPlainText(), QString::fromStdString(Jumps).replace("\r\n", "\n"));
    ASSERT_TRUE(view->hasRoles()) << "the loader hands the roles over with the listing";

    // A click on "30" of line 10 goes to line 30 and marks it.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pointWithTip(*view, 0, "30 行へ移動します。"));
    EXPECT_EQ(view->cursorLine(), 2);
    EXPECT_EQ(view->markedLine(), 2);
    ASSERT_TRUE(window->action("GoBack1")->isEnabled());

    window->action("GoBack1")->trigger();
    EXPECT_EQ(view->cursorLine(), 0);
    EXPECT_TRUE(window->action("GoForward1")->isEnabled());
    window->action("GoForward1")->trigger();
    EXPECT_EQ(view->cursorLine(), 2);
    EXPECT_FALSE(window->action("GoForward1")->isEnabled());

    // Enter on a reference follows it too; one to a missing line says so.
    view->setSelection(9, 9);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(view->cursorLine(), 2);
    const qsizetype in99 = view->text().lineStartPosition(2) + 9;
    view->setSelection(in99, in99);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(window->panelText(0), "99 行はありません。");
    EXPECT_EQ(view->cursorLine(), 2);

    // Tooltips: the missing line, and the lines that refer to a line.
    EXPECT_FALSE(pointWithTip(*view, 2, "99 行はありません。").isNull());
    EXPECT_FALSE(pointWithTip(*view, 2, "参照元: 10").isNull());
    EXPECT_EQ(view->referrersOf(1), std::vector<int>{});
}

TEST_F(ListingReadingTest, ColoursOffLeaveTheListingAsItWasAndOnColourEveryOutput)
{
    show(Jumps);
    view.show();
    const QImage plain = view.viewport()->grab().toImage();
    const std::string plainRtf = view.toRtf();

    view.setRoles(jumpRoles());
    view.setSyntaxColors({});
    EXPECT_EQ(view.viewport()->grab().toImage(), plain) << "roles alone change nothing shown";
    EXPECT_EQ(view.toRtf(), plainRtf);

    view.setSyntaxColors(colorsOn());
    EXPECT_NE(view.viewport()->grab().toImage(), plain);
    const std::string coloured = view.toRtf();
    EXPECT_NE(coloured.find("\\red0\\green0\\blue176"), std::string::npos) << "the keywords' colour";
    // Printing takes the same colours, as fragments of their own.
    const auto document = view.toDocument(true);
    QTextBlock first = document->firstBlock();
    std::vector<QString> runs;
    for (auto it = first.begin(); !it.atEnd(); ++it)
        runs.push_back(it.fragment().text());
    EXPECT_EQ(runs, (std::vector<QString>{"10", " ", "GOTO", " ", "30"}));

    view.setSyntaxColors({});
    EXPECT_EQ(view.viewport()->grab().toImage(), plain) << "off again, as before";
}

TEST_F(ListingReadingTest, ZoomGoesInWholeMsxPixels)
{
    show(Jumps);
    // 12 points are 16 pixels: two screen pixels a dot.
    const struct {
        int zoom;
        int steps;
        int expected;
    } cases[] = {{0, 1, 3},  {0, -1, 1}, {3, 1, 4},
                 {3, -2, 1}, {1, -1, 1}, {ListingView::MaxZoom, 1, ListingView::MaxZoom}};
    for (const auto& c : cases) {
        view.setZoom(c.zoom);
        EXPECT_EQ(view.zoomStep(c.steps), c.expected) << c.zoom << " by " << c.steps;
    }
    // The rows are whole cells of the pixel font, 8 dots high.
    for (const int zoom : {1, 2, 3}) {
        view.setZoom(zoom);
        view.setSelection(0, 0);
        EXPECT_EQ(view.cursorRowRect().height(), 8 * zoom) << zoom;
    }
}

TEST_F(MainWindowTest, GoToLineAsksForANumberAndTakesTheNextLineWhenItIsMissing)
{
    start();
    window->openDocument(file("jumps.asc", Jumps));
    const ListingView* view = window->listingView();
    const struct {
        int asked;
        qsizetype line;
        const char* status;
    } cases[] = {
        {30, 2, "ファイルを開きました。"},
        {25, 2, "25 行はないので、次の 30 行へ移動しました。"},
        {20, 1, "25 行はないので、次の 30 行へ移動しました。"},
        {99, 1, "99 行はありません。"},
    };
    for (const auto& c : cases) {
        whenModalShown([&c](QWidget* modal) {
            auto* dialog = qobject_cast<QInputDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            dialog->setIntValue(c.asked);
            dialog->accept();
        });
        window->action("GoToLine1")->trigger();
        EXPECT_EQ(view->cursorLine(), c.line) << c.asked;
        EXPECT_EQ(window->panelText(0), QString::fromUtf8(c.status)) << c.asked;
    }
    // Back through the jumps, and forward again.
    EXPECT_TRUE(window->action("GoBack1")->isEnabled());
    window->action("GoBack1")->trigger();
    EXPECT_EQ(view->cursorLine(), 2);
    window->action("GoBack1")->trigger();
    window->action("GoBack1")->trigger();
    EXPECT_EQ(view->cursorLine(), 0);
    EXPECT_FALSE(window->action("GoBack1")->isEnabled());
    window->action("GoForward1")->trigger();
    EXPECT_EQ(view->cursorLine(), 2);
}

TEST_F(MainWindowTest, CtrlWheelZoomsTheListingAndStoresTheZoom)
{
    start();
    window->openDocument(file("jumps.asc", Jumps));
    ListingView* view = window->listingView();
    QWheelEvent up(QPointF(10, 10), QPointF(10, 10), {}, {0, 120}, Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                   false);
    QApplication::sendEvent(view->viewport(), &up);
    EXPECT_EQ(view->zoom(), 3);
    EXPECT_EQ(stored("Listing Zoom"), "3");
    window->action("ListingZoomOut1")->trigger();
    window->action("ListingZoomOut1")->trigger();
    EXPECT_EQ(view->zoom(), 1);
    window->action("ListingZoomReset1")->trigger();
    EXPECT_EQ(view->zoom(), 0);
    EXPECT_EQ(stored("Listing Zoom"), "0");
}

TEST_F(MainWindowTest, HtmlSaveWritesThePageOfTheListingShown)
{
    start();
    window->openDocument(file("jumps.bas", JumpsProgram));
    EXPECT_TRUE(enabled("SaveHTML1"));
    saveAs(home.path() / "page");
    window->action("SaveHTML1")->trigger();
    const std::string page = readFile(home.path() / "page.html");
    EXPECT_NE(page.find("<span id=L30>"), std::string::npos);
    EXPECT_NE(page.find("<a href=#L30>30</a>"), std::string::npos) << "10 GOTO 30 links to its line";
    EXPECT_EQ(page.find("href=#L99"), std::string::npos) << "99 is no line: no link";
    EXPECT_TRUE(window->panelText(0).startsWith("HTML形式で保存しました。")) << window->panelText(0).toStdString();
}

TEST_F(MainWindowTest, AMatchIsNeverLeftUnderTheFindWindow)
{
    start();
    window->resize(600, 400);
    window->show();
    std::string listing;
    for (int line = 1; line <= 200; ++line)
        listing += std::to_string(line * 10) + (line == 150 ? " GOSUB 10\r\n" : " PRINT\r\n");
    window->openDocument(file("long.asc", listing));
    ListingView* view = window->listingView();
    FindDialog* find = window->findDialog();
    window->Find1Click();
    // Over the lower half of the listing, where a search downwards puts
    // the line it scrolls to.
    const QPoint viewTop = view->viewport()->mapToGlobal(QPoint(0, 0));
    find->setGeometry(QRect(viewTop + QPoint(0, view->viewport()->height() / 2),
                            QSize(view->viewport()->width(), view->viewport()->height() / 2)));
    find->setFindText("GOSUB");
    window->FindDialog1Find();
    ASSERT_EQ(view->cursorLine(), 149);
    const QRect row = view->cursorRowRect();
    ASSERT_FALSE(row.isNull()) << "the match is shown";
    EXPECT_FALSE(QRect(view->viewport()->mapToGlobal(row.topLeft()), row.size()).intersects(find->frameGeometry()));
}
