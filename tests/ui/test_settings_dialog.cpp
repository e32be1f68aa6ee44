// SPDX-License-Identifier: MIT
// The screen-mode and picture commands, the settings dialog and the About
// box, driven through the real main window.

#include "MainWindowFixture.h"
#include "common/Version.h"
#include "fonts/BundledFonts.h"
#include "render/MsxCharset.h"
#include "ui/ListingView.h"
#include "ui/PictureView.h"
#include "ui/QuilletUnit2.h"
#include "ui/QuilletUnit3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace quillet;
using namespace quillet::test;

namespace {

class PictureCommandsTest : public MainWindowTest {
protected:
    // A SCREEN 5 picture shown on the "CG" page.
    QString showPicture()
    {
        const QString path = file("pic.bin", hexBytes("FE 00 00 00 00 00 00 12 34 56"));
        window->openDocument(path);
        return path;
    }
    bool checked(int mode, int menu) const { return window->screenItem(mode, menu)->isChecked(); }
    bool screenEnabled(int mode, int menu) const { return window->screenItem(mode, menu)->isEnabled(); }
};

class SettingsDialogTest : public MainWindowTest {
protected:
    TPagesDlg* open()
    {
        TPagesDlg* dialog = window->settingsDialog();
        dialog->show(); // runs the show and activation handling
        return dialog;
    }
    template <typename T> T* control(const char* name) const
    {
        T* found = window->settingsDialog()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

} // namespace

TEST_F(PictureCommandsTest, ScreenCommandReconvertsTheShownPicture)
{
    start();
    showPicture();
    ASSERT_EQ(window->pictureView()->picture().width(), 256);
    window->action("SCREEN7_2")->trigger();
    EXPECT_EQ(window->pictureView()->picture().width(), 512);
    EXPECT_EQ(window->pictureView()->picture().height(), 212);
    EXPECT_TRUE(checked(7, 1));
    EXPECT_TRUE(checked(7, 2));
    EXPECT_FALSE(checked(5, 1));
    EXPECT_EQ(window->panelText(2), "SCREEN 7");
    EXPECT_EQ(stored("Screen Mode"), "7");

    // The MSX1 modes follow the others in both menus.
    const auto* menu = window->findChild<QMenu*>("S1");
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 12);
    EXPECT_EQ(items.at(7)->objectName(), "SCREEN12_1");
    EXPECT_EQ(items.at(9)->objectName(), "SCREEN2_1");
    window->action("SCREEN2_2")->trigger();
    EXPECT_EQ(window->pictureView()->picture().height(), 192);
    EXPECT_TRUE(checked(2, 1));
    EXPECT_EQ(window->panelText(2), "SCREEN 2");
}

TEST_F(PictureCommandsTest, WithoutReloadOnlyTheModeChanges)
{
    start();
    showPicture();
    window->settingsOwner().set(&Settings::isReload, false);
    window->action("SCREEN12_1")->trigger();
    EXPECT_EQ(window->pictureView()->picture().width(), 256);
    EXPECT_EQ(window->pictureView()->picture().format(), QImage::Format_Indexed8) << "still the SCREEN 5 picture";
    EXPECT_TRUE(checked(12, 2));
    EXPECT_EQ(window->panelText(2), "SCREEN 12");
    EXPECT_EQ(stored("Screen Mode"), "12");
}

// Detection is on in a fresh configuration, and the SCREEN items stay
// enabled with it (they were disabled before), so that a wrong guess is
// corrected from the picture: the pick holds for that picture until
// another file is opened.
TEST_F(PictureCommandsTest, AutoDetectionIsOnAndAPickFromTheMenuHoldsForThePicture)
{
    start();
    EXPECT_TRUE(window->settings().isAutoDetectScreenMode);
    for (int mode = 5; mode <= 12; ++mode) {
        EXPECT_EQ(screenEnabled(mode, 1), mode != 9) << mode;
        EXPECT_EQ(screenEnabled(mode, 2), mode != 9) << mode;
    }
    window->openDocument(file("TITLE.SCC", hexBytes("FE 00 00 00 00 00 00")));
    EXPECT_TRUE(checked(12, 1));
    EXPECT_EQ(window->panelText(2), "SCREEN 12");
    EXPECT_EQ(window->pictureView()->picture().depth(), 32) << "a 24-bit picture";

    window->openDocument(file("NINE.SC9", hexBytes("FE 00 00 00 00 00 00")));
    EXPECT_TRUE(checked(9, 1));
    EXPECT_TRUE(checked(9, 2));
    EXPECT_EQ(window->panelText(2), "SCREEN 9");
    EXPECT_EQ(stored("Screen Mode"), "9");
    EXPECT_TRUE(window->windowTitle().endsWith("TITLE.SCC - Quillet")) << "no picture for SCREEN 9";

    const QString wide = file("WIDE.SC7", hexBytes("FE 00 00 00 00 00 00 12 34"));
    const auto width = [&] { return window->pictureView()->picture().width(); };
    window->openDocument(wide);
    ASSERT_EQ(width(), 512) << "SCREEN 7 from the name";
    window->action("SCREEN5_2")->trigger();
    EXPECT_EQ(width(), 256);
    EXPECT_TRUE(window->settings().isAutoDetectScreenMode) << "detection stays on for other pictures";
    window->openDocument(wide);
    EXPECT_EQ(width(), 256) << "opened again, in the mode picked for it";
    EXPECT_TRUE(checked(5, 1));
    window->openDocument(file("OTHER.SC7", hexBytes("FE 00 00 00 00 00 00 12 34")));
    EXPECT_EQ(width(), 512) << "another picture is detected";
    window->openDocument(wide);
    EXPECT_EQ(width(), 512) << "the pick ended when another file was opened";
}

TEST_F(PictureCommandsTest, StretchToggleTwiceReturnsAndStoresEachTime)
{
    start();
    showPicture();
    EXPECT_FALSE(window->pictureView()->isStretch());
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window->pictureView(), &click);
    EXPECT_TRUE(window->pictureView()->isStretch());
    EXPECT_EQ(stored("Is Stretch"), "1");
    window->action("ImgSizeChg1")->trigger();
    EXPECT_FALSE(window->pictureView()->isStretch());
    EXPECT_EQ(stored("Is Stretch"), "0");
}

TEST_F(PictureCommandsTest, BmpSaveIsThePictureFileByteForByte)
{
    start();
    showPicture();
    saveAs(home.path() / "saved");
    window->SaveBMP1Click();
    EXPECT_EQ(readFile(home.path() / "saved.bmp"), readFile(window->tempFiles().bmpPicturePath()));
    EXPECT_EQ(readFile(home.path() / "saved.bmp").size(), 27254u);

    // A failed copy says so instead of leaving no trace.
    fs::remove(window->tempFiles().bmpPicturePath());
    saveAs(home.path() / "again.bmp");
    whenMessageBoxShown([](QMessageBox* box) { box->close(); });
    window->SaveBMP1Click();
    EXPECT_EQ(window->panelText(0), "BMP形式で保存できませんでした。");
    EXPECT_FALSE(fs::exists(home.path() / "again.bmp"));
}

TEST_F(PictureCommandsTest, PngSaveHoldsTheShownPixels)
{
    start();
    EXPECT_FALSE(enabled("SavePNG1"));
    showPicture();
    ASSERT_TRUE(enabled("SavePNG1"));
    saveAs(home.path() / "saved");
    window->SavePNG1Click();
    const QImage saved(QString::fromStdString((home.path() / "saved.png").string()), "png");
    ASSERT_FALSE(saved.isNull()) << "PNG is the offered suffix";
    const QImage& shown = window->pictureView()->picture();
    ASSERT_EQ(saved.size(), shown.size());
    for (const QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(2, 0), QPoint(5, 0), QPoint(255, 211)})
        EXPECT_EQ(saved.pixel(p), shown.pixel(p)) << p.x();
    EXPECT_TRUE(window->panelText(0).startsWith(QString::fromUtf8(status::PngSaved.data())));

    // A file that cannot be made is an error, not a quiet nothing.
    EXPECT_THROW(PictureView::writePng(shown, QString::fromStdString((home.path() / "missing" / "x.png").string())),
                 QuilletError);
    EXPECT_FALSE(fs::exists(home.path() / "missing"));
}

TEST_F(PictureCommandsTest, ZoomAspectAndSpritesAreStoredAndComeBack)
{
    start();
    showPicture();
    EXPECT_TRUE(window->action("ZoomBy1")->isChecked()) << "one pixel a dot, as before";
    window->action("ZoomBy3")->trigger();
    EXPECT_EQ(window->pictureView()->zoom(), 3);
    EXPECT_EQ(stored("Picture Zoom"), "3");
    window->action("ZoomBy0")->trigger();
    EXPECT_EQ(window->pictureView()->zoom(), PictureView::FitZoom);
    window->action("TvAspect1")->trigger();
    EXPECT_TRUE(window->pictureView()->isTvAspect());
    EXPECT_EQ(stored("Is TV Aspect"), "1");

    // Sprites redraw the picture: a sprite at the top left in SCREEN 5's
    // attribute table (7600), all dots set in its pattern (7800), colour 15
    // on each line (7400), and colour 15 white in the palette (7680).
    std::string vram(0x7A00, '\0');
    vram[0x7680 + 30] = '\x77';
    vram[0x7680 + 31] = '\x07';
    vram.replace(0x7400, 16, std::string(16, '\x0F'));
    vram.replace(0x7600, 4, std::string("\x00\x00\x00\x00", 4));
    vram[0x7604] = '\xD8'; // the end of the table
    vram.replace(0x7800, 8, std::string(8, '\xFF'));
    const QString path = file("sprite.sc5", hexBytes("FE 00 00 FF 79 00 00") + vram);
    window->settingsOwner().set(&Settings::screenMode, 5);
    window->openDocument(path);
    const QRgb before = window->pictureView()->picture().pixel(0, 1);
    window->action("DrawSprites1")->trigger();
    EXPECT_EQ(stored("Is Draw Sprites"), "1");
    EXPECT_NE(window->pictureView()->picture().pixel(0, 1), before) << "the picture was made again with its sprite";
    // Magnified, the 8 by 8 sprite covers 16 by 16 dots.
    ASSERT_TRUE(window->action("SpriteSize0")->isChecked());
    EXPECT_EQ(window->pictureView()->picture().pixel(10, 3), before);
    window->action("SpriteSize1")->trigger();
    EXPECT_EQ(stored("Sprite Size"), "1");
    EXPECT_NE(window->pictureView()->picture().pixel(10, 3), before);
    window->action("Msx2Colors1")->trigger();
    EXPECT_EQ(stored("Is MSX2 Colors"), "1");

    // The next start shows the picture view as it was left.
    window.reset();
    start();
    EXPECT_EQ(window->pictureView()->zoom(), PictureView::FitZoom);
    EXPECT_TRUE(window->action("ZoomBy0")->isChecked());
    EXPECT_TRUE(window->action("TvAspect1")->isChecked());
    EXPECT_TRUE(window->action("DrawSprites1")->isChecked());
    EXPECT_TRUE(window->action("SpriteSize1")->isChecked());
    EXPECT_TRUE(window->action("Msx2Colors1")->isChecked());
    window->settingsDialog()->show();
    EXPECT_TRUE(window->settingsDialog()->findChild<QCheckBox*>("ckbMsx2Colors")->isChecked()) << "the dialog agrees";
    window->settingsDialog()->close();
}

TEST_F(PictureCommandsTest, PaletteNumberIsOfferedBesideAPaletteFileAndHeldForThatPicture)
{
    start();
    auto* palettes = window->findChild<QMenu*>("Palette1");
    ASSERT_NE(palettes, nullptr);
    showPicture();
    EXPECT_FALSE(palettes->isEnabled()) << "no palette file beside it";
    const QString art = file("ART.SR5", hexBytes("FE 00 00 00 00 00 00 11"));
    file("ART.PL5", std::string(8 * 32, '\0'));
    window->openDocument(art);
    EXPECT_TRUE(palettes->isEnabled());
    EXPECT_TRUE(window->action("PaletteIndex0")->isChecked());
    window->action("PaletteIndex3")->trigger();
    EXPECT_EQ(window->documentState().pictureChoice.paletteIndex, 3);
    EXPECT_EQ(window->documentState().imageSourcePath, art.toStdString()) << "drawn again at once";
    window->openDocument(art);
    EXPECT_TRUE(window->action("PaletteIndex3")->isChecked()) << "held while the same picture is opened";
    showPicture();
    window->openDocument(art);
    EXPECT_TRUE(window->action("PaletteIndex0")->isChecked()) << "another file was opened between";
}

TEST_F(SettingsDialogTest, MapCodeIsBroughtIntoRangeAndLettersAreIgnored)
{
    start();
    auto okWithCode = [&](const char* text) {
        open();
        control<QLineEdit>("edtMapCodeFrom0xAD")->setText(QString::fromLatin1(text));
        window->settingsDialog()->OKBtnClick();
        return stored("Map Code From 0xAD");
    };
    EXPECT_EQ(okWithCode("5"), "32");
    EXPECT_EQ(okWithCode("300"), "255");
    EXPECT_EQ(okWithCode("abc"), "255");
    EXPECT_EQ(control<QLineEdit>("edtMapCodeFrom0xAD")->text(), "255") << "the edit shows the kept value again";
    EXPECT_EQ(okWithCode("100"), "100");
}

TEST_F(SettingsDialogTest, FontSizeIsTakenAsTypedButArrowsStayInRange)
{
    start();
    open();
    auto* size = control<QLineEdit>("edtFontSize");
    size->setText("0");
    window->settingsDialog()->OKBtnClick();
    EXPECT_EQ(stored("Font Size"), "0");
    EXPECT_EQ(window->settings().fontSize, 0);

    open();
    auto* arrows = control<UpDownButtons>("UpDown1");
    size->setText("1");
    arrows->stepBy(-1);
    EXPECT_EQ(size->text(), "1");
    size->setText("999");
    arrows->stepBy(1);
    EXPECT_EQ(size->text(), "999");
}

TEST_F(SettingsDialogTest, KanjiModeShowsAtOnceWithoutReload)
{
    start();
    // Two MSX hiragana that code page 932 would read as one kanji.
    window->openDocument(file("kana.asc", "10 PRINT \"\x88\x9F\"\r\n"));
    const QString shown = window->listingView()->toPlainText();
    open();
    control<QCheckBox>("ckbReload")->setChecked(false);
    control<QRadioButton>("rdbtnKanji")->setChecked(true);
    window->settingsDialog()->OKBtnClick();
    EXPECT_EQ(window->panelText(1), "漢字");
    EXPECT_EQ(stored("Is ANK Mode"), "0");
    EXPECT_EQ(stored("Font Charset"), "128");
    EXPECT_EQ(window->listingView()->toPlainText(), shown) << "the listing keeps its fonts until rendered again";
    EXPECT_FALSE(window->settingsDialog()->isVisible());
    window->loadDocument(QString::fromStdString((home.path() / "kana.asc").string()), true);
    EXPECT_NE(window->listingView()->toPlainText(), shown);
}

TEST_F(SettingsDialogTest, TemporaryFolderIsStoredWithASeparator)
{
    start();
    fs::create_directory(home.path() / "mytemp");
    const std::string folder = (home.path() / "mytemp").string();
    open();
    window->settingsDialog()->chooseFolder = [&] { return QString::fromStdString(folder); };
    window->settingsDialog()->btnBrowseFolderClick();
    EXPECT_EQ(control<QLineEdit>("edtTempFileDir")->text().toStdString(), folder);
    window->settingsDialog()->OKBtnClick();
    EXPECT_EQ(stored("Temp File Dir"), folder + "/");
    EXPECT_EQ(window->tempFiles().tempNameDir(), folder + "/");
    EXPECT_EQ(window->tempFiles().asciiTempPath().rfind((home.tmp() / "MSX").string(), 0), 0u)
        << "the files already made keep their folder";
}

TEST_F(SettingsDialogTest, OkReloadsTheListingThenThePicture)
{
    start();
    window->openDocument(file("game.bas", Program));
    window->openDocument(file("pic.sc5", hexBytes("FE 00 00 00 00 00 00")));
    std::vector<QString> order;
    QObject::connect(window->listingView(), &ListingView::contentsChanged, [&] {
        if (order.empty() || order.back() != "listing")
            order.push_back("listing");
    });
    open();
    // The mode is the one asked for only without detection, which a fresh
    // configuration has on.
    control<QCheckBox>("ckbAutoDetectScreenMode")->setChecked(false);
    control<QRadioButton>("rdbtnScreen8")->setChecked(true);
    control<QCheckBox>("ckbVisibleOver65530")->setChecked(false);
    window->settingsDialog()->OKBtnClick();
    order.push_back(window->pictureView()->picture().depth() == 8 ? "picture in SCREEN 8" : "old picture");
    EXPECT_EQ(order, (std::vector<QString>{"listing", "picture in SCREEN 8"}));
    EXPECT_EQ(window->findChild<QTabWidget*>("PageControl1")->currentIndex(), CgPageIndex) << "reload keeps the page";
    EXPECT_EQ(stored("Is View Over Line65530"), "0");
    EXPECT_EQ(stored("Screen Mode"), "8");
    for (const char* name :
         {"Font Size", "Is ANK Mode", "Use Word Wrap", "Font Charset", "Font Name Ank", "Font Name Ank Graph",
          "Font Name Kanji", "Font Color", "Background Color", "Temp File Dir", "Is Map 0xAD", "Map Font From 0xAD",
          "Map Code From 0xAD", "Is Auto Detect Screen Mode", "Is MSX2 Colors", "Is Reload"})
        EXPECT_NE(stored(name), "<none>") << name;
}

TEST_F(SettingsDialogTest, CharacterSetShowsInTheStatusBarAndTheReloadedListing)
{
    start();
    // 0x80 and 0x5C are where the Japanese and International machines differ.
    window->openDocument(file("set.asc", "10 ' \x80\x5C\r\n"));
    const QString japanese = window->listingView()->toPlainText();
    EXPECT_EQ(window->panelText(1), "ANK JP");
    open();
    auto* sets = control<QComboBox>("cmbCharacterSet");
    ASSERT_EQ(sets->currentData().toString(), "Japanese");
    sets->setCurrentIndex(sets->findData("International"));
    window->settingsDialog()->OKBtnClick();

    EXPECT_EQ(stored("Character Set"), "International");
    EXPECT_EQ(window->panelText(1), "ANK INTL");
    const QString international = window->listingView()->toPlainText();
    EXPECT_EQ(international.mid(5, 2),
              QString::fromUcs4(std::u32string{msx::charGlyph(msx::CharacterSet::International, 0x80),
                                               msx::charGlyph(msx::CharacterSet::International, 0x5C)}
                                    .c_str(),
                                2));
    EXPECT_NE(international, japanese);

    // Kanji mode is code page 932 whatever the set.
    open();
    control<QRadioButton>("rdbtnKanji")->setChecked(true);
    window->settingsDialog()->OKBtnClick();
    EXPECT_EQ(window->panelText(1), "漢字");
}

TEST_F(SettingsDialogTest, LineAddressesStartEachListedLineAfterOk)
{
    start();
    window->openDocument(file("game.bas", Program));
    open();
    auto* addresses = control<QCheckBox>("ckbViewLineAddress");
    ASSERT_FALSE(addresses->isChecked());
    addresses->setChecked(true);
    window->settingsDialog()->OKBtnClick();

    EXPECT_EQ(stored("Is View Line Address"), "1");
    // The program loads at 8001H; each line's link field follows the last line's bytes.
    EXPECT_EQ(window->listingView()->toPlainText(), "8001 10 PRINT \"A\"\n800B 20 PRINT \"AB\"\n8016 30 END\n");
    open();
    EXPECT_TRUE(addresses->isChecked()) << "the dialog shows the stored choice";
}

TEST_F(SettingsDialogTest, CancelChangesNothing)
{
    start();
    const std::string before = readFile(home.storeFile());
    const Settings settings = window->settings();
    open();
    control<QLineEdit>("edtFontSize")->setText("40");
    control<QRadioButton>("rdbtnKanji")->setChecked(true);
    control<QCheckBox>("ckbWordWrap")->setChecked(true);
    control<QPushButton>("CancelBtn")->click();
    EXPECT_FALSE(window->settingsDialog()->isVisible());
    EXPECT_EQ(readFile(home.storeFile()), before);
    EXPECT_EQ(window->settings().fontSize, settings.fontSize);
    EXPECT_TRUE(window->settings().isAnkMode);
    EXPECT_EQ(window->panelText(1), "ANK JP");

    // The next opening shows the settings again, not the cancelled edits.
    open();
    EXPECT_EQ(control<QLineEdit>("edtFontSize")->text(), "12");
    EXPECT_TRUE(control<QRadioButton>("rdbtnAnk")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("ckbWordWrap")->isChecked());
}

TEST_F(SettingsDialogTest, FontNamesNotInstalledHereSurviveOkAndDefaultsComeBack)
{
    start();
    TPagesDlg* dialog = open();
    EXPECT_EQ(control<QLineEdit>("edtVersion")->text(), "1.1.2004.710");
    EXPECT_FALSE(control<QRadioButton>("rdbtnScreen9")->isEnabled());
    auto* ank = control<QComboBox>("cmbAnkFont");
    ASSERT_GT(ank->count(), 0);
    ASSERT_EQ(ank->findText("MSX ROM 8dot"), -1) << "the MSX font is not installed here";
    EXPECT_EQ(ank->currentText(), "MSX ROM 8dot") << "shown as configured";

    // OK with nothing changed keeps every name as it was.
    dialog->OKBtnClick();
    const Settings defaults;
    EXPECT_EQ(stored("Font Name Ank"), defaults.fontNameAnk);
    EXPECT_EQ(stored("Font Name Ank Graph"), defaults.fontNameAnkGraph);
    EXPECT_EQ(stored("Font Name Kanji"), defaults.fontNameKanji);
    EXPECT_EQ(stored("Map Font From 0xAD"), defaults.mapFontFrom0xAD);

    // A name the user picks is taken; the button restores the built-in ones.
    open();
    ank->setCurrentIndex(0);
    control<QComboBox>("cmbKanjiFont")->setEditText("Some Kanji Face");
    dialog->OKBtnClick();
    EXPECT_EQ(QString::fromStdString(stored("Font Name Ank")), ank->itemText(0));
    EXPECT_EQ(stored("Font Name Kanji"), "Some Kanji Face");
    open();
    EXPECT_EQ(control<QComboBox>("cmbKanjiFont")->currentText(), "Some Kanji Face");
    control<QPushButton>("btnDefaultFonts")->click();
    dialog->OKBtnClick();
    EXPECT_EQ(stored("Font Name Ank"), defaults.fontNameAnk);
    EXPECT_EQ(stored("Font Name Kanji"), defaults.fontNameKanji);
}

TEST_F(SettingsDialogTest, SamplesFollowTheChosenFontsSizeAndColoursAtOnce)
{
    const QString japanesePixels = fonts::bundledFamily(msx::CharacterSet::Japanese);
    const QString internationalPixels = fonts::bundledFamily(msx::CharacterSet::International);
    if (japanesePixels.isEmpty() || internationalPixels.isEmpty())
        GTEST_SKIP() << "the pixel fonts are not built";
    const QString installed = QFontDatabase::families().contains("DejaVu Sans Mono")
                                  ? QStringLiteral("DejaVu Sans Mono")
                                  : QFontDatabase::families().first();
    const QString fallback = ListingView::fallbackFamilies().first();
    start();
    TPagesDlg* dialog = open();
    dialog->chooseColor = [](const QColor&, const QString& title) {
        return title == QString::fromUtf8("文字色") ? QColor(Qt::red) : QColor(Qt::darkBlue);
    };
    auto* ank = control<QLineEdit>("edtAnkFontSample");
    auto* graph = control<QLineEdit>("edtAnkGraphFontSample");
    auto* kanji = control<QLineEdit>("edtKanjiFontSample");

    // What the samples show after each step, in order.
    const struct {
        const char* step;
        std::function<void()> act;
        QString ankFamily, graphFamily, kanjiFamily;
        int size;
        QColor text, background;
        bool graphicGlyphs; // the graphic sample shows the MSX graphic characters, not letters
    } rows[] = {
        {"opened: the MSX fonts, not installed, drawn as the listing draws them", [] {}, japanesePixels, japanesePixels,
         fallback, 12, Qt::black, Qt::white, true},
        {"another character set", [&] { control<QComboBox>("cmbCharacterSet")->setCurrentIndex(1); },
         internationalPixels, internationalPixels, fallback, 12, Qt::black, Qt::white, true},
        {"an installed ANK font", [&] { control<QComboBox>("cmbAnkFont")->setEditText(installed); }, installed,
         internationalPixels, fallback, 12, Qt::black, Qt::white, true},
        {"an installed graphic font shows its letters",
         [&] { control<QComboBox>("cmbAnkGraphFont")->setEditText(installed); }, installed, installed, fallback, 12,
         Qt::black, Qt::white, false},
        {"an installed Kanji font", [&] { control<QComboBox>("cmbKanjiFont")->setEditText(installed); }, installed,
         installed, installed, 12, Qt::black, Qt::white, false},
        {"a size", [&] { control<QLineEdit>("edtFontSize")->setText("20"); }, installed, installed, installed, 20,
         Qt::black, Qt::white, false},
        {"a size that is no number changes nothing", [&] { control<QLineEdit>("edtFontSize")->setText("2x"); },
         installed, installed, installed, 20, Qt::black, Qt::white, false},
        {"a text colour", [&] { control<QPushButton>("btnChoiceFontColor")->click(); }, installed, installed, installed,
         20, Qt::red, Qt::white, false},
        {"a background colour", [&] { control<QPushButton>("btnChoiceBgColor")->click(); }, installed, installed,
         installed, 20, Qt::red, Qt::darkBlue, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        row.act();
        EXPECT_EQ(ank->font().families().value(0), row.ankFamily);
        EXPECT_EQ(graph->font().families().value(0), row.graphFamily);
        EXPECT_EQ(kanji->font().families().value(0), row.kanjiFamily);
        for (QLineEdit* sample : {ank, graph, kanji}) {
            EXPECT_EQ(sample->font().pointSize(), row.size) << sample->objectName().toStdString();
            EXPECT_EQ(sample->palette().color(QPalette::Text), row.text) << sample->objectName().toStdString();
            EXPECT_EQ(sample->palette().color(QPalette::Base), row.background) << sample->objectName().toStdString();
        }
        EXPECT_EQ(graph->text() != "ABCDEFG", row.graphicGlyphs) << graph->text().toStdString();
        EXPECT_EQ(ank->text(), "10 CLS");
        EXPECT_EQ(kanji->text(), QString::fromUtf8("漢字BASIC"));
    }
}

TEST_F(SettingsDialogTest, AboutBoxShowsTheVersionOpensTheIssuePageAndShowsTheLicence)
{
    start();
    TForm2* about = window->aboutBox();
    EXPECT_EQ(about->windowTitle(), "Quilletについて");
    EXPECT_EQ(about->findChild<QLabel*>("Label1")->text(), "Quillet version 1.1β");
    QUrl opened;
    about->openUrl = [&](const QUrl& url) { opened = url; };
    QLabel* link = about->findChild<QLabel*>("Label3");
    EXPECT_EQ(link->text(), QUILLET_ISSUES_URL);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(link, &release);
    EXPECT_EQ(opened, QUrl(QUILLET_ISSUES_URL));
    EXPECT_TRUE(opened.scheme().startsWith("http")) << opened.toString().toStdString();

    // The licence named, and its full text, the root's LICENSE, on request.
    EXPECT_EQ(about->findChild<QLabel*>("lblLicense1")->text(), "MIT License");
    about->show();
    auto* full = about->findChild<QPlainTextEdit*>("edtLicense1");
    const QSize small = about->size();
    EXPECT_FALSE(full->isVisible());
    about->findChild<QPushButton*>("btnLicense1")->click();
    EXPECT_TRUE(full->isVisible());
    EXPECT_TRUE(full->toPlainText().startsWith("MIT License\n\nCopyright (c) ")) << full->toPlainText().toStdString();
    EXPECT_TRUE(full->toPlainText().contains("Permission is hereby granted, free of charge"));
    QApplication::processEvents();
    EXPECT_GT(about->height(), small.height()) << "the box grows to show it";
    about->findChild<QPushButton*>("Button1")->click();
    EXPECT_FALSE(about->isVisible());
}
