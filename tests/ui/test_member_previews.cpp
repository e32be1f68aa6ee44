// SPDX-License-Identifier: MIT
// The previews in the file list: a member's bytes to its small picture, and
// the previews of a list that is no longer shown dropped.

#include "MainWindowFixture.h"
#include "container/Container.h"
#include "fonts/BundledFonts.h"
#include "image/Palette.h"
#include "support/FatImageBuilder.h"
#include "ui/MemberListPanel.h"
#include "ui/MemberPreviews.h"

#include <QSignalSpy>
#include <QTreeWidget>

#include <map>

using namespace quillet;
using namespace quillet::test;

namespace {

QRgb qtColour(const Rgb& rgb)
{
    return qRgb(rgb.red, rgb.green, rgb.blue);
}

// A SCREEN 5 dump of colour 7 in every
// dot, drawn in the power-on palette: it holds no palette table.
const std::string Cyan = hexBytes("FE 00 00 FF 69 00 00") + std::string(0x6A00, '\x77');
// The same for SCREEN 7's 512 by 212 dots.
const std::string Cyan7 = hexBytes("FE 00 00 FF D3 00 00") + std::string(0xD400, '\x77');
const QRgb CyanRgb = qtColour(buildScreenPalette(DefaultPalette)[7]);
// Colour 4, the dark blue a program's screen is drawn on.
const QRgb ScreenBlue = qtColour(msx2PowerOnPalette()[4]);

QString programFont()
{
    ensureApplication();
    fonts::loadBundledFonts(fonts::bundledFontFolders());
    return fonts::bundledFamily(msx::CharacterSet::Japanese);
}

int pixelsOtherThan(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != colour;
    return count;
}

} // namespace

TEST(MemberPreview, MakesPicturesAndProgramScreensAndNothingElse)
{
    const QString font = programFont();
    const struct {
        const char* name;
        std::string bytes;
        QSize size; // empty: no preview
        QRgb corner;
        bool uniform;
    } cases[] = {
        {"TITLE.SC5", Cyan, {48, 40}, CyanRgb, true},
        {"TITLE.SC7", Cyan7, {48, 40}, CyanRgb, true}, // 512 dots wide, shown at half width
        {"GAME.BAS", Program, {48, 36}, ScreenBlue, false},
        {"BROKEN.BAS", hexBytes("FF 01 80"), {}, 0, false},
        {"README.TXT", "10 PRINT\r\n", {}, 0, false},
        {"CODE.BIN", hexBytes("FE 00 C0 FF C0 00 C0 C9"), {}, 0, false},
        {"EMPTY.SC5", "", {}, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage preview = ui::memberPreview(c.name, c.bytes, font);
        if (c.size.isEmpty()) {
            EXPECT_TRUE(preview.isNull());
            continue;
        }
        ASSERT_EQ(preview.size(), c.size);
        // The bottom right: a program's three lines leave it blank.
        EXPECT_EQ(preview.pixel(preview.width() - 1, preview.height() - 1), c.corner);
        if (c.uniform)
            EXPECT_EQ(pixelsOtherThan(preview, c.corner), 0);
        else
            EXPECT_GT(pixelsOtherThan(preview, c.corner), 20) << "the listing's characters";
    }
}

TEST(MemberPreview, AnOldListsPreviewsAreDroppedAndTheShownListGetsItsOwn)
{
    const QString font = programFont();
    ScratchDir dir;
    // The first list: pictures only, at the indices the second list's
    // program and picture have.
    FatImageBuilder first(FatLayout::doubleSided720k());
    for (const char* name : {"A.SC5", "B.SC5", "C.SC5"})
        first.addFile("", name, Cyan);
    FatImageBuilder second(FatLayout::doubleSided720k());
    second.addFile("", "GAME.BAS", Program);
    second.addFile("", "NOTES.TXT", "hello\r\n");
    second.addFile("", "TITLE.SC7", Cyan7);
    writeFile(dir / "first.dsk", first.bytes());
    writeFile(dir / "second.dsk", second.bytes());
    const QString firstPath = QString::fromStdString((dir / "first.dsk").string());
    const QString secondPath = QString::fromStdString((dir / "second.dsk").string());

    ui::MemberPreviews previews;
    QSignalSpy made(&previews, &ui::MemberPreviews::previewReady);
    QSignalSpy finished(&previews, &ui::MemberPreviews::finished);
    const std::vector<std::string> firstNames{"A.SC5", "B.SC5", "C.SC5"};
    const std::vector<std::string> secondNames{"GAME.BAS", "NOTES.TXT", "TITLE.SC7"};
    const std::uint64_t old = previews.start(firstPath, firstNames, font);
    const std::uint64_t current = previews.start(secondPath, secondNames, font);
    ASSERT_NE(old, current);
    ASSERT_TRUE(finished.wait(10000));
    previews.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 1) << "only the shown list ends";
    std::map<int, QSize> sizes;
    for (const QList<QVariant>& signal : made)
        sizes[signal.at(0).toInt()] = signal.at(1).value<QImage>().size();
    EXPECT_EQ(sizes, (std::map<int, QSize>{{0, {48, 36}}, {2, {48, 40}}})) << "the program, no text, the picture";

    // A container that no longer holds what the list shows gives none.
    made.clear();
    const std::uint64_t latest = previews.start(secondPath, firstNames, font);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(made.isEmpty());

    // What an earlier list made and comes late is dropped.
    made.clear();
    EXPECT_FALSE(previews.deliver(old, 1, QImage(4, 4, QImage::Format_RGB32)));
    EXPECT_FALSE(previews.deliver(current, 1, QImage(4, 4, QImage::Format_RGB32)));
    EXPECT_TRUE(made.isEmpty());
    EXPECT_TRUE(previews.deliver(latest, 1, QImage(4, 4, QImage::Format_RGB32)));
    EXPECT_EQ(made.size(), 1);

    // The panel puts each preview beside its member's name, whatever the
    // sorting, and a list shown again starts over.
    MemberListPanel panel;
    const std::unique_ptr<Container> disk = openContainer(second.bytes(), "second.dsk");
    QSignalSpy panelDone(panel.previews(), &ui::MemberPreviews::finished);
    panel.showMembers(secondPath, *disk);
    panel.list()->sortByColumn(MemberListPanel::NameColumn, Qt::DescendingOrder);
    ASSERT_TRUE(panelDone.wait(10000));
    const auto iconOf = [&](const QString& name) {
        const auto rows = panel.list()->findItems(name, Qt::MatchExactly, MemberListPanel::NameColumn);
        const QImage icon = rows.value(0)->icon(MemberListPanel::NameColumn).pixmap(QSize(48, 40)).toImage();
        return icon.pixel(icon.width() - 1, icon.height() - 1);
    };
    EXPECT_EQ(iconOf("TITLE.SC7"), CyanRgb);
    EXPECT_EQ(iconOf("GAME.BAS"), ScreenBlue);
    EXPECT_EQ(qAlpha(iconOf("NOTES.TXT")), 0) << "a blank the size of a preview";
    const auto rows = panel.list()->findItems("GAME.BAS", Qt::MatchExactly, MemberListPanel::NameColumn);
    EXPECT_EQ(rows.value(0)->toolTip(MemberListPanel::NameColumn), "10 PRINT \"A\"\n20 PRINT \"AB\"\n30 END")
        << "a program's first lines, readable";
}
