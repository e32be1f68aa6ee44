// SPDX-License-Identifier: MIT
// The picture view offscreen: it reads the converter's BMP pictures, centres
// them, stretches them with hard pixel edges, and keeps its picture when a
// file cannot be read.

#include "UiTestSupport.h"
#include "image/BsaveConverter.h"
#include "support/TestSupport.h"
#include "ui/PictureView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSet>

#include <memory>

using namespace quillet;
using namespace quillet::test;

namespace {

// Writes the BMP of a BSAVE file (given without its type byte).
std::string writeBmp(const std::filesystem::path& path, const std::string& afterType, int mode)
{
    auto converter = std::make_unique<BsaveConverter>();
    MemorySource source(afterType);
    StringSink sink;
    converter->convert(source, mode, sink);
    writeFile(path, sink.str());
    return sink.str();
}

std::string header(std::uint16_t start = 0)
{
    return {static_cast<char>(start & 0xFF), static_cast<char>(start >> 8), 0, 0, 0, 0};
}

// SCREEN 8 picture: white top-left pixel, red top-right, green bottom-left,
// blue bottom-right, black elsewhere.
std::string cornerPicture()
{
    std::string vram(212 * 256, '\0');
    vram[0] = '\xFF';
    vram[255] = '\x1C';
    vram[211 * 256] = '\xE0';
    vram[211 * 256 + 255] = '\x03';
    return header() + vram;
}

// SCREEN 8 picture of one-pixel vertical stripes, red and blue.
std::string stripePicture()
{
    std::string vram(212 * 256, '\0');
    for (std::size_t i = 0; i < vram.size(); ++i)
        vram[i] = (i % 2) ? '\x03' : '\x1C';
    return header() + vram;
}

QRgb rgb(int r, int g, int b)
{
    return qRgb(r, g, b);
}

class PictureViewTest : public ::testing::Test {
protected:
    void SetUp() override { ensureApplication(); }
    ScratchDir dir;
};

} // namespace

TEST_F(PictureViewTest, ReadsThePicturesOfEveryKind)
{
    PictureView view;
    // 4-bit: SCREEN 5 with the default palette, pixels 15 and 8 at the start of line 0.
    writeBmp(dir / "five.bmp", header() + "\xF8", 5);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "five.bmp").string())));
    EXPECT_EQ(view.picture().size(), QSize(256, 212));
    EXPECT_EQ(view.sizeHint(), QSize(256, 212));
    EXPECT_EQ(view.minimumSize(), QSize(256, 212)) << "at one pixel a dot the view takes the whole picture";
    EXPECT_EQ(view.picture().pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(view.picture().pixel(1, 0), rgb(255, 0x25, 0x25));
    EXPECT_EQ(view.picture().pixel(0, 211), rgb(0, 0, 0));

    // 4-bit, 512 wide: SCREEN 7.
    writeBmp(dir / "seven.bmp", header(0x100) + std::string(255, '\0') + "\x0F", 7);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "seven.bmp").string())));
    EXPECT_EQ(view.picture().size(), QSize(512, 212));
    EXPECT_EQ(view.sizeHint(), QSize(512, 212));
    EXPECT_EQ(view.picture().pixel(511, 1), rgb(255, 255, 255));
    EXPECT_EQ(view.picture().pixel(510, 1), rgb(0, 0, 0));

    // 8-bit: SCREEN 8 corners, which also shows the row order.
    writeBmp(dir / "eight.bmp", cornerPicture(), 8);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "eight.bmp").string())));
    EXPECT_EQ(view.picture().pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(view.picture().pixel(255, 0), rgb(255, 0, 0));
    EXPECT_EQ(view.picture().pixel(0, 211), rgb(0, 255, 0));
    EXPECT_EQ(view.picture().pixel(255, 211), rgb(0, 0, 255));

    // 24-bit: SCREEN 12, group with Y 31 and J = K = 31.
    writeBmp(dir / "twelve.bmp", header() + "\xFF\xFB\xFF\xFB", 12);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "twelve.bmp").string())));
    EXPECT_EQ(view.picture().size(), QSize(256, 212));
    EXPECT_EQ(view.picture().pixel(3, 0), rgb(248, 248, 120));
    EXPECT_EQ(view.picture().pixel(4, 0), rgb(0, 0, 0));
}

TEST_F(PictureViewTest, CentresThePictureAtItsOwnSize)
{
    PictureView view;
    writeBmp(dir / "corners.bmp", cornerPicture(), 8);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "corners.bmp").string())));
    view.resize(400, 300);
    const QImage shot = view.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(400, 300));
    const QRgb background = view.palette().color(QPalette::Window).rgb();
    // (400 - 256) / 2 = 72, (300 - 212) / 2 = 44.
    EXPECT_EQ(shot.pixel(72, 44), rgb(255, 255, 255));
    EXPECT_EQ(shot.pixel(72 + 255, 44), rgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(72, 44 + 211), rgb(0, 255, 0));
    EXPECT_EQ(shot.pixel(72 + 255, 44 + 211), rgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(73, 45), rgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(71, 44), background);
    EXPECT_EQ(shot.pixel(72, 43), background);
    EXPECT_EQ(shot.pixel(72 + 256, 44 + 211), background);
    EXPECT_EQ(shot.pixel(72 + 255, 44 + 212), background);
}

TEST_F(PictureViewTest, StretchFillsTheViewWithHardEdges)
{
    PictureView view;
    writeBmp(dir / "corners.bmp", cornerPicture(), 8);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "corners.bmp").string())));
    view.setStretch(true);
    EXPECT_TRUE(view.isStretch());
    view.resize(512, 424);
    QImage shot = view.grab().toImage();
    // Twice the size: each screen pixel is a 2 x 2 block, corners at the corners.
    for (const QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
        EXPECT_EQ(shot.pixel(p), rgb(255, 255, 255)) << p.x() << "," << p.y();
    EXPECT_EQ(shot.pixel(2, 0), rgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(510, 0), rgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(509, 0), rgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(0, 423), rgb(0, 255, 0));
    EXPECT_EQ(shot.pixel(511, 423), rgb(0, 0, 255));

    // An uneven scale (and aspect) blends nothing: only the two stripe
    // colours appear, and columns stay whole.
    writeBmp(dir / "stripes.bmp", stripePicture(), 8);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "stripes.bmp").string())));
    view.resize(700, 333);
    shot = view.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(700, 333));
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            colours.insert(shot.pixel(x, y));
            ASSERT_EQ(shot.pixel(x, y), shot.pixel(x, 0)) << x << "," << y;
        }
    EXPECT_EQ(colours, (QSet<QRgb>{rgb(255, 0, 0), rgb(0, 0, 255)}));

    // Back to the picture's own size, centred.
    view.setStretch(false);
    shot = view.grab().toImage();
    EXPECT_EQ(shot.pixel((700 - 256) / 2, (333 - 212) / 2), rgb(255, 0, 0));
    EXPECT_EQ(shot.pixel((700 - 256) / 2 + 1, (333 - 212) / 2), rgb(0, 0, 255));
    EXPECT_EQ(shot.pixel((700 - 256) / 2 - 1, (333 - 212) / 2), view.palette().color(QPalette::Window).rgb());
}

TEST_F(PictureViewTest, ZoomsByWholeDotsFitsAndShapesDotsAsATvDoes)
{
    PictureView view;
    writeBmp(dir / "corners.bmp", cornerPicture(), 8);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "corners.bmp").string())));

    // 3x: the view asks for three times the picture, each dot a 3 x 3 block.
    view.setZoom(3);
    EXPECT_EQ(view.minimumSize(), QSize(768, 636));
    view.resize(768, 636);
    QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixel(2, 2), rgb(255, 255, 255));
    EXPECT_EQ(shot.pixel(3, 0), rgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(767, 635), rgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(765, 0), rgb(255, 0, 0));

    // Fit: as large as the view holds, the aspect kept, centred.
    view.setZoom(PictureView::FitZoom);
    EXPECT_EQ(view.minimumSize(), QSize(0, 0)) << "fitting follows the view";
    view.resize(1000, 424);
    EXPECT_EQ(view.pictureRect(), QRect(244, 0, 512, 424));

    // A TV's dots: 256-dot lines 8:7 wide, 512-dot lines half that.
    view.setZoom(1);
    view.setTvAspect(true);
    EXPECT_EQ(view.minimumSize(), QSize(293, 212));
    writeBmp(dir / "seven.bmp", header(0x100), 7);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "seven.bmp").string())));
    EXPECT_EQ(view.minimumSize(), QSize(293, 212)) << "SCREEN 7 shows as wide as SCREEN 5";
    view.setTvAspect(false);
    EXPECT_EQ(view.minimumSize(), QSize(512, 212));

    // Stretching keeps its meaning: the whole view, whatever the zoom.
    view.setZoom(4);
    view.setStretch(true);
    EXPECT_EQ(view.minimumSize(), QSize(0, 0));
}

TEST_F(PictureViewTest, BadFileKeepsThePreviousPicture)
{
    PictureView view;
    writeBmp(dir / "good.bmp", cornerPicture(), 8);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "good.bmp").string())));
    const QImage before = view.picture();

    writeFile(dir / "text.bmp", "this is not a picture");
    writeFile(dir / "empty.bmp", "");
    // A PNG signature under a .bmp name is not taken for a BMP either.
    writeFile(dir / "png.bmp", "\x89PNG\r\n\x1A\n");
    for (const char* name : {"missing.bmp", "text.bmp", "empty.bmp", "png.bmp"}) {
        EXPECT_FALSE(view.loadBmp(QString::fromStdString((dir / name).string()))) << name;
        EXPECT_EQ(view.picture(), before) << name;
        EXPECT_EQ(view.sizeHint(), QSize(256, 212)) << name;
    }
}

TEST_F(PictureViewTest, StartsEmptyAndClearEmptiesIt)
{
    PictureView view;
    EXPECT_EQ(view.objectName(), "imgMSXCG");
    EXPECT_FALSE(view.hasPicture());
    EXPECT_FALSE(view.isStretch());
    writeBmp(dir / "good.bmp", stripePicture(), 8);
    ASSERT_TRUE(view.loadBmp(QString::fromStdString((dir / "good.bmp").string())));
    view.resize(300, 250);
    view.clear();
    EXPECT_FALSE(view.hasPicture());
    const QImage shot = view.grab().toImage();
    const QRgb background = view.palette().color(QPalette::Window).rgb();
    for (const QPoint p : {QPoint(150, 125), QPoint(22, 19), QPoint(0, 0)})
        EXPECT_EQ(shot.pixel(p), background);
}

TEST_F(PictureViewTest, DoubleClickIsSignalled)
{
    PictureView view;
    int signalled = 0;
    QObject::connect(&view, &PictureView::doubleClicked, [&] { ++signalled; });
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonDblClick, at, view.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    EXPECT_EQ(signalled, 1);
    // Stretching is the window's business; the view only reports.
    EXPECT_FALSE(view.isStretch());
}
