// SPDX-License-Identifier: MIT
// The main window driven offscreen: start-up, loading, the commands and
// closing, with the settings store and temporary files in a scratch home.

#include "MainWindowFixture.h"
#include "app/RecentDocuments.h"
#include "support/FatImageBuilder.h"
#include "ui/FindDialog.h"
#include "ui/ListingView.h"
#include "ui/PictureView.h"
#include "ui/QuilletUnit3.h"
#include "ui/Translations.h"

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

TEST_F(MainWindowTest, StartsEmptyWithTheDefaults)
{
    start();
    EXPECT_EQ(window->windowTitle(), "Quillet");
    EXPECT_EQ(pages()->currentIndex(), BasicPageIndex);
    EXPECT_EQ(window->panelText(0), "ファイルを開いてください。");
    EXPECT_EQ(window->panelText(1), "ANK JP");
    EXPECT_EQ(window->panelText(2), "SCREEN 5");
    EXPECT_EQ(window->panelText(3), "");
    for (const char* name : {"Save1", "SaveAs1", "SaveBMP1", "tbSave"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(window->action("SCREEN5_1")->isChecked());
    EXPECT_TRUE(window->action("SCREEN5_2")->isChecked());
    EXPECT_FALSE(window->action("SCREEN9_1")->isEnabled());
    // Start-up stores these three values and nothing else.
    EXPECT_EQ(stored("version"), "1.00");
    EXPECT_EQ(stored("Screen Mode"), "5");
    EXPECT_EQ(stored("Active Page Index"), "0");
    EXPECT_EQ(stored("Font Size"), "<none>");
}

TEST_F(MainWindowTest, StatusPanelsNeverCutTheirText)
{
    start();
    window->show();
    window->setPanelText(3, "203870 行");
    window->setPanelText(0, "ファイルを開けませんでした。BASICプログラムが壊れています。（65529 行）");
    QApplication::processEvents();
    auto* count = window->findChild<QLabel*>("StatusPanel3");
    auto* message = window->findChild<QLabel*>("StatusPanel0");
    ASSERT_TRUE(count && message);
    // The room each text needs, laid out as the panel lays it out.
    for (QLabel* panel : {count, message}) {
        const QRect room = panel->contentsRect();
        const QRect needed =
            panel->fontMetrics().boundingRect(room, panel->wordWrap() ? Qt::TextWordWrap : 0, panel->text());
        EXPECT_LE(needed.width(), room.width()) << panel->objectName().toStdString();
        EXPECT_LE(needed.height(), room.height()) << panel->objectName().toStdString();
    }
    EXPECT_GE(message->width(), 200);
    EXPECT_LE(message->geometry().right(), window->statusBar()->width()) << "the message runs off the window";
}

// A settings file that cannot be written: the first failed save says so in
// panel 0, with the cause and the file, after the status of what saved;
// later failures add nothing, the values set still hold for the run, and a
// failure after a save that worked is told again.
TEST_F(MainWindowTest, SettingsThatCannotBeSavedSaySoOnce)
{
    const fs::path store = home.storeFile();
    struct Case {
        const char* what;
        std::function<void()> spoil;
        ErrorKind cause;
    };
    const Case cases[] = {
        {"a folder in its place", [&] { fs::create_directories(store); }, ErrorKind::NotRegularFile},
        {"over the size limit",
         [&] {
             fs::create_directories(store.parent_path());
             writeFile(store, "[Vantre\\Quillet]\n" + std::string(app::MaxStoreBytes, ';'));
         },
         ErrorKind::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(store.parent_path());
        c.spoil();
        const QString notice = ui::uiText(status::SettingsSaveFailed) + ui::uiText(status::failureCause(c.cause))
                               + QLatin1Char(' ') + QString::fromStdString(store.string());
        start(); // stores the version and the screen mode
        QCoreApplication::processEvents();
        EXPECT_EQ(window->panelText(0), ui::uiText(status::PleaseOpen) + notice);

        window->openDocument(file("game.bas", Program));
        window->screenItem(7, 1)->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(window->panelText(0), ui::uiText(status::Opened)) << "told once";
        EXPECT_EQ(window->settings().screenMode, 7) << "held in memory";
        EXPECT_TRUE(window->screenItem(7, 1)->isChecked());

        fs::remove_all(store);
        window->screenItem(8, 1)->trigger();
        EXPECT_EQ(stored(app::setting::ScreenMode), "8");
        fs::remove(store);
        c.spoil();
        window->screenItem(6, 1)->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(window->panelText(0), notice) << "told again after a save that worked";
    }
}

TEST_F(MainWindowTest, TemporaryFilesLiveFromStartToClose)
{
    start();
    const auto files = tempFiles();
    ASSERT_EQ(files.size(), 4u) << "three names and the picture's, all made at start";
    for (const auto& f : files) {
        EXPECT_EQ(f.filename().string().rfind("MSX", 0), 0u) << f;
        EXPECT_EQ(fs::file_size(f), 0u);
    }
    window->openDocument(file("pic.sc5", hexBytes("FE 00 00 00 00 00 00")));
    EXPECT_EQ(tempFiles().size(), 4u) << "the picture took its reserved name";
    window->close();
    EXPECT_TRUE(tempFiles().empty());
}

TEST_F(MainWindowTest, LargeListingShowsProgressAndClosingEndsItLeavingNothing)
{
    start();
    std::string text;
    for (unsigned n = 0; text.size() < (4u << 20); ++n)
        text += std::to_string(10 + n % 6000 * 10) + " PRINT \"PROGRESS\":GOTO 10\r\n";
    const QString big = file("big.asc", text);

    std::vector<int> percents;
    QString shownWhileLoading;
    QObject::connect(window->listingView(), &ListingView::loadProgress, window.get(), [&](int percent) {
        percents.push_back(percent);
        if (percents.size() == 1) {
            shownWhileLoading = window->panelText(0);
            window->close(); // as the window manager's close button does
        }
    });
    // However fast this machine loads it, the load lets events through.
    window->listingView()->setResponsiveAfter(0);
    window->openDocument(big);

    ASSERT_GE(percents.size(), 1u) << "a long load lets the window paint as it goes";
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_LT(percents.back(), 100) << "the load ended at the close";
    EXPECT_TRUE(shownWhileLoading.startsWith(QString::fromUtf8(status::Loading.data(), status::Loading.size()))
                && shownWhileLoading.endsWith('%'))
        << shownWhileLoading.toStdString();
    EXPECT_TRUE(tempFiles().empty()) << "the close ran after the load, and the load's own files went";
    EXPECT_TRUE(window->listingView()->text().isEmpty());
    EXPECT_FALSE(window->documentState().listingLoaded);

    // A load started after the close does nothing.
    window->openDocument(file("game.bas", Program));
    EXPECT_TRUE(window->listingView()->text().isEmpty());
}

TEST_F(MainWindowTest, LoadsAProgramAndAPicture)
{
    start();
    const QString program = file("game.bas", Program);
    window->openDocument(program);
    EXPECT_EQ(window->windowTitle(), program + " - Quillet");
    EXPECT_EQ(window->panelText(0), "ファイルを開きました。");
    EXPECT_EQ(window->panelText(3), "3 行");
    EXPECT_EQ(window->listingView()->toPlainText(), "10 PRINT \"A\"\n20 PRINT \"AB\"\n30 END\n");
    EXPECT_TRUE(enabled("SaveAs1"));
    EXPECT_TRUE(enabled("Save1"));
    EXPECT_TRUE(enabled("tbSave"));
    EXPECT_FALSE(enabled("SaveBMP1"));
    EXPECT_EQ(stored("Last Open Dir"), home.path().string() + "/");

    pages()->setCurrentIndex(CgPageIndex); // the user's page change
    EXPECT_EQ(stored("Active Page Index"), "1");
    EXPECT_FALSE(enabled("tbSave"));
    EXPECT_FALSE(enabled("Print1"));

    pages()->setCurrentIndex(BasicPageIndex);
    const QString picture = file("title.sc7", hexBytes("FE 00 00 00 00 00 00 12 34"));
    window->openDocument(picture);
    EXPECT_EQ(pages()->currentIndex(), CgPageIndex);
    EXPECT_EQ(stored("Active Page Index"), "1");
    EXPECT_EQ(window->windowTitle(), picture + " - Quillet");
    EXPECT_TRUE(window->pictureView()->hasPicture());
    EXPECT_EQ(window->pictureView()->picture().width(), 512) << "SCREEN 7 from the name: a new configuration detects";
    EXPECT_TRUE(enabled("SaveBMP1"));
    EXPECT_TRUE(enabled("tbSave"));
    EXPECT_TRUE(enabled("SaveAs1")) << "the listing is still loaded";
    EXPECT_EQ(window->panelText(3), "3 行");

    // Reloading keeps the page shown.
    window->loadDocument(program, true);
    EXPECT_EQ(pages()->currentIndex(), CgPageIndex);
}

TEST_F(MainWindowTest, FailedLoadChangesNothingVisible)
{
    start();
    const QString program = file("game.bas", Program);
    window->openDocument(program);
    const QString text = window->listingView()->toPlainText();
    // A program lists whatever its bytes, as MSX BASIC does; a load fails
    // when the file cannot be read.
    window->openDocument(QStringLiteral("/proc/self/mem"));
    EXPECT_EQ(window->panelText(0), "ファイルを開けませんでした。ファイルを読み込めませんでした。")
        << "the status says why";
    window->openDocument(QString::fromStdString((home.path() / "missing.bas").string()));
    EXPECT_EQ(window->panelText(0), "ファイルを開けませんでした。ファイルが見つかりません。");
    EXPECT_EQ(window->windowTitle(), program + " - Quillet");
    EXPECT_EQ(window->listingView()->toPlainText(), text);
    EXPECT_EQ(window->panelText(3), "3 行");
    EXPECT_EQ(window->documentState().listingSourcePath, program.toStdString());
}

TEST_F(MainWindowTest, ClearEmptiesOnlyThePageShown)
{
    start();
    window->openDocument(file("game.bas", Program));
    window->openDocument(file("pic.sc5", hexBytes("FE 00 00 00 00 00 00")));
    ASSERT_EQ(pages()->currentIndex(), CgPageIndex);
    window->Clear1Click();
    EXPECT_FALSE(window->pictureView()->hasPicture());
    EXPECT_EQ(window->windowTitle(), "Quillet");
    EXPECT_EQ(window->panelText(0), "ファイルを開いてください。");
    EXPECT_EQ(window->panelText(3), "3 行") << "the listing's count stays";
    EXPECT_FALSE(enabled("SaveBMP1"));
    EXPECT_TRUE(enabled("SaveAs1"));

    pages()->setCurrentIndex(BasicPageIndex);
    window->Clear1Click();
    EXPECT_TRUE(window->listingView()->toPlainText().isEmpty());
    EXPECT_EQ(window->panelText(3), "");
    EXPECT_FALSE(enabled("SaveAs1"));
    EXPECT_TRUE(window->documentState().listingSourcePath.empty());
}

TEST_F(MainWindowTest, FindWrapsAroundWithANoticeAndSaysWhenNothingMatches)
{
    start();
    window->openDocument(file("game.bas", Program));
    FindDialog* find = window->findDialog();
    find->setFindText("PRINT");
    window->Find1Click();
    EXPECT_TRUE(find->isVisible());
    EXPECT_FALSE(find->isModal());

    // The dialog's own button runs the search, downwards first.
    auto* findNext = find->findChild<QPushButton*>("btnFindNext");
    ASSERT_NE(findNext, nullptr);
    findNext->click();
    const ListingView* view = window->listingView();
    EXPECT_EQ(view->selectedText(), "PRINT");
    EXPECT_EQ(view->selectionStart(), 3);
    window->FindDialog1Find();
    EXPECT_EQ(view->selectionStart(), 16);
    EXPECT_TRUE(find->notice().isEmpty());

    // Past the last match the search goes on from the top, and says so.
    window->FindDialog1Find();
    EXPECT_EQ(view->selectionStart(), 3);
    EXPECT_EQ(find->notice(), "最後まで検索しました。先頭から続けて検索しました。");
    EXPECT_EQ(window->panelText(0), find->notice());

    // Upwards from the first match it goes on from the bottom.
    find->setBackward(true);
    window->FindDialog1Find();
    EXPECT_EQ(view->selectionStart(), 16);
    EXPECT_EQ(find->notice(), "先頭まで検索しました。最後から続けて検索しました。");

    // What is nowhere is "not found", not "reached the end".
    QString message;
    whenModalShown([&message](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            message = box->text();
        modal->close();
    });
    find->setFindText("GOSUB");
    window->FindDialog1Find();
    EXPECT_EQ(message, "見つかりませんでした。");
    EXPECT_EQ(view->selectionStart(), 16) << "the last match stays selected";
}

TEST_F(MainWindowTest, AsciiSaveCopiesTheListingByteForByte)
{
    start();
    window->openDocument(file("game.bas", Program));
    saveAs(home.path() / "out");
    window->SaveAs1Click();
    EXPECT_EQ(readFile(home.path() / "out.bas"), ProgramListing) << "the default extension is added";
    EXPECT_EQ(window->panelText(0), QString::fromUtf8("アスキーセーブしました。 ")
                                        + QString::fromStdString((home.path() / "out.bas").string()))
        << "the status says where";

    const std::string text = "10 \xB1\xB2\r\n\x01\x41";
    window->openDocument(file("plain.asc", text));
    saveAs(home.path() / "copy.asc");
    window->SaveAs1Click();
    EXPECT_EQ(readFile(home.path() / "copy.asc"), text);
}

TEST_F(MainWindowTest, AsciiSaveReportsAFailedCopy)
{
    start();
    window->openDocument(file("game.bas", Program));
    // A cleaner of the temporary folder took the listing away.
    fs::remove(window->tempFiles().asciiTempPath());
    writeFile(home.path() / "out.bas", "old");
    saveAs(home.path() / "out.bas");
    QString reported;
    whenModalShown([&reported](QWidget* modal) { // asked before replacing the old file
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            box->button(QMessageBox::Yes)->click();
        whenMessageBoxShown([&reported](QMessageBox* box) {
            reported = box->text();
            box->close();
        });
    });
    window->SaveAs1Click();
    EXPECT_EQ(window->panelText(0), "アスキーセーブできませんでした。");
    EXPECT_EQ(reported, QString::fromUtf8("アスキーセーブできませんでした。\nファイルが見つかりません。\n")
                            + QString::fromStdString(window->tempFiles().asciiTempPath()))
        << "the cause and the file are named";
    EXPECT_EQ(readFile(home.path() / "out.bas"), "old") << "the old file stays whole";
}

TEST_F(MainWindowTest, RtfSaveReadsBackToTheSameText)
{
    start();
    window->openDocument(file("game.bas", Program));
    saveAs(home.path() / "listing.rtf");
    window->Save1Click();
    EXPECT_EQ(window->panelText(0), QString::fromUtf8("RTF形式で保存しました。 ")
                                        + QString::fromStdString((home.path() / "listing.rtf").string()));
    ListingView copy;
    copy.loadRtfFile(QString::fromStdString((home.path() / "listing.rtf").string()));
    EXPECT_EQ(copy.toPlainText(), window->listingView()->toPlainText());
}

TEST_F(MainWindowTest, ToolButtonPrintsTheListingToPdfThroughTheDialog)
{
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pdftotext is not installed";
    start();
    window->openDocument(file("game.bas", Program));
    const fs::path pdf = home.path() / "listing.pdf";
    window->printer().setOutputFormat(QPrinter::PdfFormat);
    window->printer().setOutputFileName(QString::fromStdString(pdf.string()));
    // The button asks as the menu command does: printing at once would
    // reach nothing on a desktop without printers.
    bool asked = false;
    whenModalShown([&asked](QWidget* modal) {
        auto* dialog = qobject_cast<QPrintDialog*>(modal);
        asked = dialog && dialog->testOption(QAbstractPrintDialog::PrintToFile);
        if (dialog)
            dialog->accept();
        else
            modal->close();
    });
    window->action("tbPrint")->trigger();
    EXPECT_TRUE(asked) << "the print dialog, offering a PDF file";
    ASSERT_TRUE(fs::exists(pdf));
    const fs::path text = home.path() / "listing.txt";
    ASSERT_EQ(std::system(("pdftotext -raw '" + pdf.string() + "' '" + text.string() + "'").c_str()), 0);
    const std::string printed = readFile(text);
    EXPECT_NE(printed.find("20 PRINT \"AB\""), std::string::npos) << printed;
    EXPECT_NE(printed.find("30 END"), std::string::npos) << printed;
}

TEST_F(MainWindowTest, FurtherArgumentsStartNewInstancesFirst)
{
    const QString first = file("one.bas", Program);
    const QString second = file("two words.bas", Program);
    const QString third = file("三.bas", Program);
    start({first, second, third});
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].path, second);
    EXPECT_EQ(started[1].path, third);
    EXPECT_EQ(started[0].titleThen, "Quillet") << "started before the first file was loaded";
    EXPECT_EQ(window->windowTitle(), first + " - Quillet");
    EXPECT_EQ(pages()->currentIndex(), BasicPageIndex);
}

TEST_F(MainWindowTest, DroppedFilesOpenTheFirstAndStartTheRest)
{
    start();
    const QString a = file("a.sc5", hexBytes("FE 00 00 00 00 00 00"));
    const QString b = file("b b.bas", Program);
    const QString c = file(std::string(200, 'x') + ".bas", Program);
    EXPECT_TRUE(window->acceptDrops());
    EXPECT_FALSE(window->AcceptFiles({QUrl("https://example.org/a.bas")})) << "only local files";
    ASSERT_TRUE(window->AcceptFiles({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(c)}));
    EXPECT_EQ(window->windowTitle(), a + " - Quillet");
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].path, b);
    EXPECT_EQ(started[1].path, c) << "long names arrive whole";
    EXPECT_EQ(started[0].titleThen, a + " - Quillet") << "the first file is opened before the others start";
    EXPECT_EQ(stored("Last Open Dir"), home.path().string() + "/");
}

TEST_F(MainWindowTest, OpenDialogStoresTheFilterUsedAndKnowsEveryPictureName)
{
    start();
    const QString picture = file("TITLE.S12", hexBytes("FE 00 00 00 00 00 00"));
    QStringList listed;
    whenModalShown([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            ADD_FAILURE() << "no file dialog";
            modal->close();
            return;
        }
        dialog->selectNameFilter(dialog->nameFilters().at(1)); // the pictures
        listed = dialog->nameFilters();
        dialog->setDirectory(QString::fromStdString(home.path().string()));
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (name)
            name->setText(QStringLiteral("TITLE.S12"));
        static_cast<QDialog*>(dialog)->accept();
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog did not take the file";
            dialog->reject();
        }
    });
    window->Open1Click();
    EXPECT_EQ(window->windowTitle(), picture + " - Quillet");
    EXPECT_EQ(stored("Last Open Filter Index"), "2");
    ASSERT_GE(listed.size(), 2);
    for (const char* patterns : {"*.sc?", "*.s10", "*.s11", "*.s12"})
        EXPECT_TRUE(listed.at(1).contains(QString::fromLatin1(patterns))) << listed.at(1).toStdString();
    // The filter of every kind comes last, so that stored positions keep
    // their filters; paint programs' names, interlaced pages and containers
    // are among its patterns, in both cases.
    ASSERT_EQ(listed.size(), 5);
    EXPECT_TRUE(listed.at(4).startsWith(QString::fromUtf8("MSXファイル (")));
    const QStringList every = listed.at(4).mid(listed.at(4).indexOf('(') + 1).chopped(1).split(' ');
    for (const char* pattern :
         {"*.bas", "*.BAS", "*.asc", "*.sc?", "*.SC?", "*.grp", "*.sr5", "*.SR8", "*.srs", "*.ge7",
          "*.s05", "*.s1c", "*.S1C", "*.dsk", "*.di1", "*.cas", "*.CAS", "*.zip", "*.lzh", "*.7z"})
        EXPECT_TRUE(every.contains(QString::fromLatin1(pattern))) << pattern;
}

TEST_F(MainWindowTest, OpenDialogStartsAtTheStoredFolderAndFilterThenBesideTheFileLastOpened)
{
    const fs::path storedFolder = home.path() / "stored";
    const fs::path folder = home.path() / "programs";
    fs::create_directories(storedFolder);
    fs::create_directories(folder);
    {
        app::SettingsStore store(home.storeFile().string());
        store.writeString(app::SettingsSection, "Last Open Dir", storedFolder.string());
        store.writeInteger(app::SettingsSection, "Last Open Filter Index", 2);
    }
    start();
    // Where the dialog stands as it is shown, then cancelled.
    struct Seen {
        std::string folder, name;
        int filter = -1;
    };
    auto shown = [this] {
        Seen seen;
        whenModalShown([&seen](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                seen.folder = dialog->directory().absolutePath().toStdString();
                // The dialog may name its filter without the patterns.
                const QString chosen = dialog->selectedNameFilter();
                const QStringList filters = dialog->nameFilters();
                for (qsizetype i = 0; i < filters.size(); ++i) {
                    if (filters.at(i) == chosen || filters.at(i).startsWith(chosen + QStringLiteral(" (")))
                        seen.filter = static_cast<int>(i);
                }
                if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                    seen.name = name->text().toStdString();
            }
            modal->close();
        });
        window->Open1Click();
        return seen;
    };
    const Seen first = shown();
    EXPECT_EQ(first.folder, storedFolder.string());
    EXPECT_EQ(first.filter, 1) << "the second filter, as stored";

    writeFile(folder / "GAME.BAS", Program);
    window->openDocument(QString::fromStdString((folder / "GAME.BAS").string()));
    const Seen second = shown();
    EXPECT_EQ(second.folder, folder.string());
    EXPECT_EQ(second.name, "GAME.BAS");
    EXPECT_EQ(second.filter, 1);
}

TEST_F(MainWindowTest, SaveDialogsStartBesideTheDocumentUnderItsName)
{
    start();
    const fs::path folder = home.path() / "programs";
    fs::create_directories(folder);
    writeFile(folder / "GAME.BAS", Program);
    writeFile(folder / "TITLE.SC5", hexBytes("FE 00 00 00 00 00 00"));
    window->openDocument(QString::fromStdString((folder / "GAME.BAS").string()));
    window->openDocument(QString::fromStdString((folder / "TITLE.SC5").string()));

    // What each save dialog offers, read as it is shown and then cancelled.
    auto offered = [this](void (TForm1::*command)()) {
        std::pair<std::string, std::string> seen;
        whenModalShown([&seen](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                seen.first = dialog->directory().absolutePath().toStdString();
                if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                    seen.second = name->text().toStdString();
            }
            modal->close();
        });
        (window.get()->*command)();
        return seen;
    };
    EXPECT_EQ(offered(&TForm1::SaveAs1Click), std::pair(folder.string(), std::string("GAME.asc")))
        << "the listing is offered as text, not over the program";
    EXPECT_EQ(offered(&TForm1::Save1Click), std::pair(folder.string(), std::string("GAME.rtf")));
    EXPECT_EQ(offered(&TForm1::SaveBMP1Click), std::pair(folder.string(), std::string("TITLE.bmp")));
}

TEST_F(MainWindowTest, EachSaveOffersItsOwnFileTypes)
{
    start();
    const fs::path folder = home.path() / "programs";
    fs::create_directories(folder);
    writeFile(folder / "GAME.BAS", Program);
    writeFile(folder / "TITLE.SC5", hexBytes("FE 00 00 00 00 00 00"));
    FatImageBuilder disk(FatLayout::singleSided360k());
    disk.addFile("", "GAME.BAS", Program);
    writeFile(folder / "disk.dsk", disk.bytes());
    for (const char* name : {"old.asc", "ｹﾞｰﾑ.ﾊﾞｽ", "OLD.RTF", "shot.Bmp", "SHOT.PNG"})
        writeFile(folder / name, "x");
    for (const char* name : {"GAME.BAS", "TITLE.SC5", "disk.dsk"})
        window->openDocument(QString::fromStdString((folder / name).string()));

    const QStringList everything = {"disk.dsk", "GAME.BAS", "old.asc",   "OLD.RTF",
                                    "shot.Bmp", "SHOT.PNG", "TITLE.SC5", "ｹﾞｰﾑ.ﾊﾞｽ"};
    const struct {
        void (TForm1::*command)();
        QStringList patterns; // of the filter offered first
        int filters;
        QStringList listed; // in the folder of the document, under that filter
    } rows[] = {
        {&TForm1::SaveAs1Click, {"*.bas", "*.BAS", "*.asc", "*.ASC"}, 2, {"GAME.BAS", "old.asc", "ｹﾞｰﾑ.ﾊﾞｽ"}},
        {&TForm1::Save1Click, {"*.rtf", "*.RTF"}, 1, {"OLD.RTF"}},
        {&TForm1::SaveBMP1Click, {"*.bmp", "*.BMP"}, 1, {"shot.Bmp"}},
        {&TForm1::SavePNG1Click, {"*.png", "*.PNG"}, 1, {"SHOT.PNG"}},
        {&TForm1::ExtractSave1Click, {"*"}, 1, everything},
    };
    for (const auto& row : rows) {
        QStringList offered, listed;
        QString chosen;
        whenModalShown([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                offered = dialog->nameFilters();
                chosen = dialog->selectedNameFilter();
                // The list fills in the background.
                const auto* view = dialog->findChild<QListView*>("listView");
                QElapsedTimer waited;
                waited.start();
                while (view && listed != row.listed && waited.elapsed() < 3000) {
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
                    listed.clear();
                    for (int i = 0; i < view->model()->rowCount(view->rootIndex()); ++i)
                        listed << view->model()->index(i, 0, view->rootIndex()).data().toString();
                    listed.sort(Qt::CaseInsensitive);
                }
            }
            modal->close();
        });
        (window.get()->*row.command)();
        ASSERT_EQ(offered.size(), row.filters) << offered.join(" | ").toStdString();
        const QString first = offered.first();
        EXPECT_TRUE(first.startsWith(chosen)) << "the first filter is chosen: " << chosen.toStdString();
        const QStringList patterns = first.mid(first.lastIndexOf(" (") + 2).chopped(1).split(' ');
        for (const QString& pattern : row.patterns)
            EXPECT_TRUE(patterns.contains(pattern)) << first.toStdString();
        for (const QString& other : {"*.bas", "*.rtf", "*.bmp", "*.png"}) {
            if (!row.patterns.contains(other))
                EXPECT_FALSE(patterns.contains(other)) << first.toStdString();
        }
        EXPECT_EQ(listed, row.listed) << first.toStdString();
    }
}

TEST_F(MainWindowTest, PrintDialogOffersAPdfFileAndThePreviewShowsThePages)
{
    start();
    window->openDocument(file("game.bas", Program));
    const fs::path pdf = home.path() / "dialog.pdf";
    window->printer().setOutputFormat(QPrinter::PdfFormat);
    window->printer().setOutputFileName(QString::fromStdString(pdf.string()));
    bool offersFile = false;
    whenModalShown([&offersFile](QWidget* modal) {
        auto* dialog = qobject_cast<QPrintDialog*>(modal);
        offersFile = dialog && dialog->testOption(QAbstractPrintDialog::PrintToFile);
        if (dialog)
            dialog->accept();
        else
            modal->close();
    });
    window->Print1Click();
    EXPECT_TRUE(offersFile) << "a desktop without printers could not print at all";
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(readFile(pdf).substr(0, 5), "%PDF-");

    int pages = 0;
    whenModalShown([&pages](QWidget* modal) {
        if (auto* preview = modal->findChild<QPrintPreviewWidget*>()) {
            preview->updatePreview();
            pages = preview->pageCount();
        }
        modal->close();
    });
    window->action("PrintPreview1")->trigger();
    EXPECT_GE(pages, 1);
}

TEST_F(MainWindowTest, UndoCutAndPasteStayDisabledAndTheirKeysDoNothing)
{
    start();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // The window's shortcuts reach it from the listing.
    const bool stretched = window->settings().isStretch;
    QTest::keyClick(window->listingView(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_NE(window->settings().isStretch, stretched) << "Ctrl+L, the picture size toggle";
    const char* const edits[] = {"Undo1", "Cut1", "Paste1", "Undo2", "Cut2", "Paste2", "tbUndo", "tbCut", "tbPaste"};
    auto* toolBar = window->findChild<QToolBar*>("ToolBar1");
    const QString program = file("game.bas", Program);
    const QString picture = file("title.sc5", hexBytes("FE 00 00 00 00 00 00 12 34"));
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"at start", [] {}},
        {"a listing loaded", [&] { window->openDocument(program); }},
        {"a picture loaded", [&] { window->openDocument(picture); }},
        {"back on the listing", [&] { pages()->setCurrentIndex(BasicPageIndex); }},
        {"reloaded", [&] { window->Reload1Click(); }},
        {"settings confirmed", [&] { window->settingsDialog()->OKBtnClick(); }},
        {"cleared", [&] { window->Clear1Click(); }},
        {"opened again", [&] { window->openDocument(program); }},
        {"enabled by any code",
         [&] {
             for (const char* name : edits)
                 window->action(name)->setEnabled(true);
         }},
    };
    for (const auto& [step, run] : steps) {
        run();
        for (const char* name : edits) {
            EXPECT_FALSE(window->action(name)->isEnabled()) << name << ", " << step;
            if (QWidget* button = toolBar->widgetForAction(window->action(name)))
                EXPECT_FALSE(button->isEnabled()) << name << ", " << step;
        }
        // With the whole listing selected, the keys change neither the
        // listing nor the clipboard.
        const QString shown = window->listingView()->toPlainText();
        window->listingView()->setFocus();
        window->SelectAll1Click();
        QApplication::clipboard()->setText("pasted?");
        for (const Qt::Key key : {Qt::Key_X, Qt::Key_V, Qt::Key_Z})
            QTest::keyClick(window->listingView(), key, Qt::ControlModifier);
        EXPECT_EQ(window->listingView()->toPlainText().toStdString(), shown.toStdString()) << step;
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "pasted?") << step;
    }
}

TEST_F(MainWindowTest, RecentFilesListTheLastOpenedForEveryInstanceAndOpenThem)
{
    start();
    auto* recent = window->findChild<QMenu*>("RecentMenu1");
    // The full paths of the entries, as their tips show them.
    const auto entries = [&] {
        emit recent->aboutToShow();
        QStringList paths;
        for (QAction* entry : recent->actions()) {
            if (entry->objectName().startsWith("RecentFile"))
                paths << entry->toolTip();
        }
        return paths;
    };
    const auto choose = [&](const QString& path) {
        emit recent->aboutToShow();
        for (QAction* entry : recent->actions()) {
            if (entry->toolTip() == path)
                return entry->trigger();
        }
        ADD_FAILURE() << "no entry for " << path.toStdString();
    };
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(recent->menuAction()->isEnabled());

    FatImageBuilder disk(FatLayout::singleSided360k());
    disk.addFile("", "GAME.BAS", Program);
    const QString member = file("disk.dsk", disk.bytes()) + "::GAME.BAS";
    const QString program = file("a.bas", Program);
    const QString picture = file("b.sc5", hexBytes("FE 00 00 00 00 00 00 12 34"));
    for (const QString& path : {program, picture, member, program})
        window->openDocument(path);
    EXPECT_EQ(entries(), (QStringList{program, member, picture})) << "most recent first, each once";
    EXPECT_TRUE(recent->menuAction()->isEnabled());
    EXPECT_TRUE(recent->actions().at(0)->text().startsWith("&1 a.bas  ("))
        << recent->actions().at(0)->text().toStdString();
    EXPECT_TRUE(recent->actions().at(1)->text().startsWith("&2 GAME.BAS  ("))
        << recent->actions().at(1)->text().toStdString();

    // Another instance sees them, and this one what the other opens.
    TForm1 other;
    other.FormCreate({});
    const QString text = file("c.asc", "10 REM\r\n");
    other.openDocument(text);
    EXPECT_EQ(entries(), (QStringList{text, program, member, picture}));

    // Chosen, an entry opens as Open does; one whose file is gone is still
    // listed and tells why it does not open.
    choose(member);
    EXPECT_EQ(window->windowTitle(), member + " - Quillet");
    EXPECT_EQ(window->listingView()->toPlainText(), "10 PRINT \"A\"\n20 PRINT \"AB\"\n30 END\n");
    EXPECT_EQ(entries().first(), member);
    fs::remove(picture.toStdString());
    choose(picture);
    EXPECT_EQ(window->panelText(0), "ファイルを開けませんでした。ファイルが見つかりません。");
    EXPECT_TRUE(entries().contains(picture));

    window->action("ClearRecent1")->trigger();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(recent->menuAction()->isEnabled());
    EXPECT_TRUE(app::RecentFiles(home.storeFile().string()).files().empty()) << "cleared for every instance";
}

TEST_F(MainWindowTest, ReloadReadsTheDocumentOfThePageShownFromItsFileAgain)
{
    start();
    EXPECT_EQ(window->action("Reload1")->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_FALSE(enabled("Reload1")) << "nothing to reload";
    const QString program = file("game.asc", "10 REM ONE\r\n");
    const QString picture = file("title.sc5", hexBytes("FE 00 00 00 00 00 00 77"));
    window->openDocument(program);
    window->openDocument(picture);
    const QRgb before = window->pictureView()->picture().pixel(0, 0);
    file("game.asc", "10 REM TWO\r\n");
    file("title.sc5", hexBytes("FE 00 00 00 00 00 00 FF"));

    window->action("Reload1")->trigger(); // on the picture's page
    EXPECT_NE(window->pictureView()->picture().pixel(0, 0), before);
    EXPECT_EQ(window->listingView()->toPlainText(), "10 REM ONE\n") << "only the page shown";
    EXPECT_EQ(pages()->currentIndex(), CgPageIndex);

    pages()->setCurrentIndex(BasicPageIndex);
    window->action("Reload1")->trigger();
    EXPECT_EQ(window->listingView()->toPlainText(), "10 REM TWO\n");
    EXPECT_EQ(pages()->currentIndex(), BasicPageIndex);
    EXPECT_EQ(window->windowTitle(), program + " - Quillet");

    window->Clear1Click();
    EXPECT_FALSE(enabled("Reload1")) << "the page shows nothing";
    pages()->setCurrentIndex(CgPageIndex);
    EXPECT_TRUE(enabled("Reload1"));
}

TEST_F(MainWindowTest, ExitAnswersCtrlQ)
{
    start();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(window->action("Exit1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}
