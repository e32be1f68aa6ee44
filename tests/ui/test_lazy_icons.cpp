// SPDX-License-Identifier: MIT
// The icons made without reading their pictures: the file read is the one
// the size asks for, when it is asked for, and a deferred icon is made once,
// on first use.

#include "UiTestSupport.h"
#include "support/TestSupport.h"
#include "ui/AppIcon.h"
#include "ui/LazyIcons.h"
#include "ui/QuilletUnit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QPainter>

#include <filesystem>
#include <fstream>

using namespace quillet;
using namespace quillet::test;

namespace {

class LazyIconsTest : public ::testing::Test {
protected:
    void SetUp() override { ensureApplication(); }
    // A PNG of one colour.
    QString png(const char* name, int size, QColor colour) const
    {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(colour);
        const QString path = QString::fromStdString((dir / name).string());
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }
    static QColor centre(const QPixmap& pixmap)
    {
        const QImage image = pixmap.toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }
    ScratchDir dir;
};

} // namespace

TEST_F(LazyIconsTest, FilesAreReadWhenTheirSizeIsFirstWanted)
{
    const QString small = QString::fromStdString((dir / "small.png").string());
    const QString large = QString::fromStdString((dir / "large.png").string());
    // Declared before the files exist: making the icon reads nothing.
    const QIcon icon = ui::iconOfFiles({{small, QSize(16, 16)}, {large, QSize(32, 32)}});
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    EXPECT_TRUE(icon.availableSizes(QIcon::Disabled).isEmpty());
    png("small.png", 16, Qt::red);
    png("large.png", 32, Qt::blue);

    // The smallest as large as the size wanted, else the largest, scaled
    // down and never up.
    EXPECT_EQ(icon.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(icon.actualSize(QSize(20, 20)), QSize(20, 20));
    EXPECT_EQ(icon.actualSize(QSize(64, 64)), QSize(32, 32));
    EXPECT_EQ(icon.actualSize(QSize(8, 12)), QSize(8, 8));
    const QPixmap at16 = icon.pixmap(QSize(16, 16), 1.0);
    EXPECT_EQ(at16.size(), QSize(16, 16));
    EXPECT_EQ(centre(at16), QColor(Qt::red));
    const QPixmap at20 = icon.pixmap(QSize(20, 20), 1.0);
    EXPECT_EQ(at20.size(), QSize(20, 20));
    EXPECT_EQ(centre(at20), QColor(Qt::blue));
    const QPixmap at64 = icon.pixmap(QSize(64, 64), 1.0);
    EXPECT_EQ(at64.size(), QSize(32, 32));
    EXPECT_EQ(centre(at64), QColor(Qt::blue));

    // Read once: a file changed afterwards does not change the icon.
    png("small.png", 16, Qt::green);
    EXPECT_EQ(centre(icon.pixmap(QSize(16, 16), 1.0)), QColor(Qt::red));

    // The disabled look is made from the same picture, as for any icon.
    const QColor disabled = centre(icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled));
    EXPECT_NE(disabled, QColor(Qt::red));

    // Painting draws the picture for the painted size.
    QImage canvas(16, 16, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        icon.paint(&painter, QRect(0, 0, 16, 16));
    }
    EXPECT_EQ(canvas.pixelColor(8, 8), QColor(Qt::red));

    // A file that cannot be read gives an empty picture, not a crash.
    const QIcon missing = ui::iconOfFiles({{QString::fromStdString((dir / "none.png").string()), QSize(16, 16)}});
    EXPECT_TRUE(missing.pixmap(QSize(16, 16), 1.0).isNull());
    EXPECT_TRUE(ui::iconOfFiles({}).isNull());
}

TEST_F(LazyIconsTest, TheProgramsIconHasEverySizeItCarries)
{
    const QIcon icon = quilletIcon();
    EXPECT_EQ(icon.availableSizes().size(), 8);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        const QPixmap pixmap = icon.pixmap(QSize(size, size), 1.0);
        EXPECT_EQ(pixmap.size(), QSize(size, size)) << size;
    }
}

TEST_F(LazyIconsTest, ADeferredIconIsMadeOnceOnFirstUse)
{
    const QString path = png("made.png", 16, Qt::red);
    int made = 0;
    const QIcon icon = ui::deferredIcon([&] {
        ++made;
        return QIcon(path);
    });
    const QIcon copy = icon;
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(made, 0);
    EXPECT_EQ(centre(icon.pixmap(QSize(16, 16), 1.0)), QColor(Qt::red));
    EXPECT_EQ(icon.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(16, 16)});
    EXPECT_EQ(copy.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(made, 1);

    // Sizes as the icon it made gives them.
    QIcon plain;
    plain.addFile(png("plain16.png", 16, Qt::red), QSize(16, 16));
    plain.addFile(png("plain32.png", 32, Qt::blue), QSize(32, 32));
    const QIcon sized = ui::deferredIcon([&] { return plain; });
    for (const QSize size : {QSize(8, 8), QSize(16, 16), QSize(20, 20), QSize(64, 64), QSize(24, 12)})
        EXPECT_EQ(sized.actualSize(size), plain.actualSize(size)) << size.width() << "x" << size.height();

    // What it makes being null makes it null.
    const QIcon empty = ui::deferredIcon([] { return QIcon(); });
    EXPECT_TRUE(empty.pixmap(QSize(16, 16), 1.0).isNull());
    EXPECT_TRUE(empty.isNull());
}

TEST_F(LazyIconsTest, ToolButtonsShowTheThemesIconOfTheirCommandElseAPictureOfTheirOwn)
{
    const std::pair<const char*, const char*> buttons[] = {
        {"tbNew", "edit-clear"},     {"tbOpen", "document-open"},
        {"tbSave", "document-save"}, {"tbPrint", "document-print"},
        {"tbFind", "edit-find"},     {"tbCut", "edit-cut"},
        {"tbCopy", "edit-copy"},     {"tbPaste", "edit-paste"},
        {"tbUndo", "edit-undo"},     {"tbConfig", "preferences-system"},
    };
    const QString themeBefore = QIcon::themeName();
    const QStringList pathsBefore = QIcon::themeSearchPaths();
    struct Restore {
        QString name;
        QStringList paths;
        ~Restore()
        {
            QIcon::setThemeSearchPaths(paths);
            QIcon::setThemeName(name);
        }
    } restore{themeBefore, pathsBefore};

    // A theme that draws each name in a colour of its own.
    const std::filesystem::path theme = dir / "icons/test";
    std::filesystem::create_directories(theme / "16x16/actions");
    std::ofstream(theme / "index.theme") << "[Icon Theme]\nName=test\nDirectories=16x16/actions\n\n"
                                            "[16x16/actions]\nSize=16\nType=Fixed\n";
    const auto colour = [](std::size_t i) { return QColor::fromHsv(static_cast<int>(i) * 36, 255, 255).toRgb(); };
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(colour(i));
        ASSERT_TRUE(image.save(QString::fromStdString((theme / "16x16/actions").string()) + '/'
                                   + QString::fromLatin1(buttons[i].second) + ".png",
                               "PNG"));
    }
    QIcon::setThemeSearchPaths({QString::fromStdString((dir / "icons").string())});
    QIcon::setThemeName("test");
    IsolatedHome home;
    {
        TForm1 window;
        for (std::size_t i = 0; i < std::size(buttons); ++i) {
            const QIcon icon = window.action(buttons[i].first)->icon();
            EXPECT_EQ(centre(icon.pixmap(QSize(16, 16), 1.0)), colour(i))
                << buttons[i].first << " should show the theme's " << buttons[i].second;
        }
    }

    // No theme: each command a picture, and no two alike.
    QIcon::setThemeName("none-such");
    TForm1 window;
    std::vector<QImage> pictures;
    for (const auto& [button, name] : buttons) {
        const QImage picture = window.action(button)->icon().pixmap(QSize(16, 16), 1.0).toImage();
        ASSERT_EQ(picture.size(), QSize(16, 16)) << button;
        int drawn = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x)
                drawn += qAlpha(picture.pixel(x, y)) > 128;
        }
        EXPECT_GE(drawn, 40) << button << ": a picture, not an empty square";
        for (const QImage& other : pictures)
            EXPECT_NE(picture, other) << button << " looks like another command";
        pictures.push_back(picture);
    }
}
