// SPDX-License-Identifier: MIT
// The interface language: English through the translation file, Japanese
// by default with Qt's own dialogs in Japanese, and the setting that picks
// one for the next start.

#include "MainWindowFixture.h"
#include "common/Errors.h"
#include "fonts/BundledFonts.h"
#include "support/FatImageBuilder.h"
#include "ui/InterfaceFontAndColour.h"
#include "ui/QuilletUnit3.h"
#include "ui/Translations.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace quillet;
using namespace quillet::test;

namespace {

bool hasJapanese(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

// Every text a user reads in `root` and below: titles, captions, hints,
// tab and list items.
QStringList shownTexts(QWidget* root)
{
    QStringList texts{root->windowTitle(), root->toolTip()};
    for (QWidget* w : root->findChildren<QWidget*>()) {
        texts << w->toolTip();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        if (auto* group = qobject_cast<QGroupBox*>(w))
            texts << group->title();
        if (auto* menu = qobject_cast<QMenu*>(w))
            texts << menu->title();
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        }
    }
    for (QAction* action : root->findChildren<QAction*>())
        texts << action->text() << action->toolTip();
    return texts;
}

// Removes the translators a test installed.
struct TranslatorsGone {
    ~TranslatorsGone() { qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>()); }
};

class TranslationTest : public MainWindowTest {};

} // namespace

TEST_F(TranslationTest, EnglishLeavesNoJapaneseInTheWindowsOrTheirMessages)
{
    TranslatorsGone cleanup;
    ASSERT_TRUE(ui::installTranslations(*QCoreApplication::instance(), ui::EnglishLanguage));
    start();
    EXPECT_EQ(window->panelText(0), "Please open a file.");
    EXPECT_EQ(window->action("Open1")->text(), "&Open...");

    // The settings dialog, its font samples and names of fonts aside, and
    // the trade mark notice, which stands in both languages.
    TPagesDlg* dialog = window->settingsDialog();
    QStringList texts = shownTexts(window.get()) + shownTexts(dialog);
    for (const char* kept : {"lblTradeMark1"})
        texts.removeAll(dialog->findChild<QLabel*>(kept)->text());
    for (const QString& text : texts)
        EXPECT_FALSE(hasJapanese(text)) << text.toStdString();
    auto* language = dialog->findChild<QComboBox*>("cmbLanguage");
    ASSERT_NE(language, nullptr);
    EXPECT_EQ(language->itemText(0), "日本語") << "each language in its own words";

    // The core's texts: every status and every cause of failure.
    for (std::string_view text : {status::PleaseOpen,
                                  status::Opened,
                                  status::TempFolderMadeAgain,
                                  status::TempFolderFellBack,
                                  status::OpenedTruncated,
                                  status::OpenedHeaderOnly,
                                  status::OpenedBsaveBinary,
                                  status::OpenedBinary,
                                  status::CompanionLeftOut,
                                  status::CompanionHoldsNoPalette,
                                  status::CompanionNotAPage,
                                  status::Loading,
                                  status::ContainerOpened,
                                  status::ContainerDamaged,
                                  status::MemberSaved,
                                  status::AsciiSaved,
                                  status::AsciiSaving,
                                  status::RtfSaved,
                                  status::BmpSaved,
                                  status::SearchedToEnd,
                                  status::KanjiIndicator,
                                  status::LineCountSuffix,
                                  status::OpenFailed,
                                  status::AsciiSaveFailed,
                                  status::RtfSaveFailed,
                                  status::BmpSaveFailed,
                                  status::MemberSaveFailed,
                                  status::FilesAdded,
                                  status::MembersDeleted,
                                  status::FilesAddFailed,
                                  status::MembersDeleteFailed,
                                  status::NewDiskFailed,
                                  status::PrintFailed,
                                  status::HelpFailed,
                                  status::SettingsSaveFailed}) {
        EXPECT_FALSE(hasJapanese(ui::uiText(text))) << text;
    }
    // Past the last kind too: an unknown kind has its own text.
    for (int kind = 0; kind < 40; ++kind) {
        EXPECT_FALSE(hasJapanese(ui::uiText(status::failureCause(static_cast<ErrorKind>(kind))))) << kind;
    }
    EXPECT_EQ(ui::causeText(QuilletError(ErrorKind::DamagedProgram, 20, "x")),
              "The BASIC program is damaged. (line 20)");

    window->openDocument(file("bad.bas", hexBytes("FF 01 80 0A 00 1D 41 FA 00 00 00 00 00")));
    EXPECT_FALSE(hasJapanese(window->panelText(0))) << window->panelText(0).toStdString();
    window->openDocument(file("game.bas", Program));
    EXPECT_EQ(window->panelText(3), "3 lines");
    // What a picture is shown without follows the status, sentence by sentence.
    file("ART.PL5", "x");
    window->openDocument(file("ART.SR5", hexBytes("FE 00 00 00 00 00 00 11")));
    EXPECT_EQ(window->panelText(0),
              "The file is open. ART.PL5 is left out, as it cannot be used. It holds no palette.");

    // The file list: captions, kinds, and the reason of each kind of damage
    // a list can show.
    FatImageBuilder disk(FatLayout::singleSided360k());
    disk.addFile("", "GAME.BAS", Program);
    disk.addFile("", "TITLE.SC5", hexBytes("FE 00 00 00 00 00 00"));
    disk.addFile("", "NOTE.TXT", "note\r\n");
    disk.addFile("", "DATA.BIN", "\x01\x02");
    disk.addFile("", "LOOP.BAS", std::string(3000, 'x'), FatImageBuilder::Archive, {20, 21, 22});
    disk.setFat(21, 20);
    window->openDocument(file("disk.dsk", disk.bytes()));
    EXPECT_FALSE(hasJapanese(window->panelText(0))) << window->panelText(0).toStdString();
    MemberListPanel* list = window->memberList();
    QStringList listTexts = {list->windowTitle(), list->upButton()->text(), list->upButton()->toolTip()};
    for (int column = 0; column < list->list()->columnCount(); ++column)
        listTexts << list->list()->headerItem()->text(column);
    for (int row = 0; row < list->list()->topLevelItemCount(); ++row) {
        for (int column = 0; column < list->list()->columnCount(); ++column)
            listTexts << list->list()->topLevelItem(row)->text(column);
    }
    for (const QString& text : listTexts)
        EXPECT_FALSE(hasJapanese(text)) << text.toStdString();
}

TEST_F(TranslationTest, JapaneseIsTheDefaultAndQtsOwnDialogsSpeakIt)
{
    TranslatorsGone cleanup;
    EXPECT_EQ(ui::storedInterfaceLanguage(home.storeFile().string()), "ja") << "no store yet";
    std::filesystem::create_directories(home.storeFile().parent_path());
    writeFile(home.storeFile(), "[Vantre\\Quillet]\nLanguage=fr\n");
    EXPECT_EQ(ui::storedInterfaceLanguage(home.storeFile().string()), "ja") << "unknown: the program's own";
    writeFile(home.storeFile(), "[Vantre\\Quillet]\nLanguage=en\n");
    EXPECT_EQ(ui::storedInterfaceLanguage(home.storeFile().string()), "en");

    QDialogButtonBox before(QDialogButtonBox::Cancel);
    ASSERT_FALSE(hasJapanese(before.button(QDialogButtonBox::Cancel)->text()));
    ASSERT_TRUE(ui::installTranslations(*QCoreApplication::instance(), ui::JapaneseLanguage))
        << "Qt's Japanese translation is installed with the program's packages";
    QDialogButtonBox after(QDialogButtonBox::Cancel);
    EXPECT_TRUE(hasJapanese(after.button(QDialogButtonBox::Cancel)->text()))
        << after.button(QDialogButtonBox::Cancel)->text().toStdString();
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_TRUE(hasJapanese(shownTexts(&files).join(' ')));
}

TEST_F(TranslationTest, LanguageSettingIsStoredForTheNextStartOnly)
{
    start();
    window->settingsOwner().set(&Settings::isReload, false);
    TPagesDlg* dialog = window->settingsDialog();
    dialog->show();
    auto* language = dialog->findChild<QComboBox*>("cmbLanguage");
    ASSERT_NE(language, nullptr);
    EXPECT_EQ(language->currentData().toString(), "ja");
    language->setCurrentIndex(language->findData("en"));
    dialog->findChild<QPushButton*>("OKBtn")->click();

    EXPECT_EQ(stored("Language"), "en");
    EXPECT_EQ(window->action("Open1")->text(), "開く(&O)") << "the running window keeps its language";
    dialog->show();
    EXPECT_EQ(language->currentData().toString(), "en") << "the dialog shows the stored choice";
}

TEST(InterfaceFont, JapaneseTextComesFromAJapaneseFontNeverFromThePixelFonts)
{
    ensureApplication();
    QFont platform(QStringLiteral("DejaVu Sans"));
    platform.setPointSizeF(9.5);
    const QString pixels = fonts::bundledFamily(msx::CharacterSet::Japanese);
    const struct {
        const char* language;
        QStringList installed;
        QStringList expected;
    } rows[] = {
        {"ja",
         {"DejaVu Sans", "IPAGothic", "IPAPGothic", "Noto Sans CJK JP", "Quillet MSX JP"},
         {"IPAPGothic", "Noto Sans CJK JP", "IPAGothic", "DejaVu Sans"}},
        {"ja", {"VL PGothic", "TakaoPGothic", "DejaVu Sans"}, {"VL PGothic", "TakaoPGothic", "DejaVu Sans"}},
        {"ja", {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ Ｐゴシック", "IPAPGothic", "DejaVu Sans"}},
        {"ja", {"ipa pゴシック"}, {"IPA Pゴシック", "DejaVu Sans"}},
        {"ja", {"DejaVu Sans", "Quillet MSX JP", "Unifont"}, {"DejaVu Sans", "Unifont"}},
        {"ja", {"DejaVu Sans", "Quillet MSX JP"}, {"DejaVu Sans"}},
        {"en", {"DejaVu Sans", "IPAPGothic", "IPAGothic"}, {"DejaVu Sans", "IPAPGothic", "IPAGothic"}},
        {"en", {"DejaVu Sans"}, {"DejaVu Sans"}},
    };
    for (const auto& row : rows) {
        const QFont font = interfaceFont(row.language, platform, row.installed);
        EXPECT_EQ(font.families(), row.expected) << row.language << ": " << row.installed.join(", ").toStdString();
        EXPECT_EQ(font.pointSizeF(), 9.5) << "the platform's size";
        EXPECT_FALSE(!pixels.isEmpty() && font.families().contains(pixels));
    }
}
