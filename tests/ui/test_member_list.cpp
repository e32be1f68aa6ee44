// SPDX-License-Identifier: MIT
// The file list: containers opened in the main window, their members opened,
// saved and dragged out, nested containers entered and left.

#include "MainWindowFixture.h"
#include "support/ArchiveBuilder.h"
#include "support/FatImageBuilder.h"
#include "ui/PictureView.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>

#include <map>

using namespace quillet;
using namespace quillet::test;

namespace {

class MemberListTest : public MainWindowTest {
protected:
    MemberListTest()
    {
        zip = file("games.zip", zipOf({{"DISK1.DSK", gamesDisk(Program)}, {"README.TXT", "hello\r\n"}}));
    }

    MemberListPanel* panel() const { return window->memberList(); }
    QTreeWidget* list() const { return panel()->list(); }
    QStringList names() const
    {
        QStringList shown;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            shown << list()->topLevelItem(i)->text(MemberListPanel::NameColumn);
        return shown;
    }
    QTreeWidgetItem* row(const QString& name) const
    {
        const auto found = list()->findItems(name, Qt::MatchExactly, MemberListPanel::NameColumn);
        return found.isEmpty() ? nullptr : found.first();
    }
    // As a user does it: the row made current, then Enter.
    void activate(const QString& name)
    {
        QTreeWidgetItem* item = row(name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        list()->setCurrentItem(item);
        press(list(), Qt::Key_Return);
    }
    static void press(QWidget* widget, int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
    QString title(const QString& path) const { return path + " - Quillet"; }

    QString zip;
};

} // namespace

TEST_F(MemberListTest, TheListIsMadeWhenAContainerIsFirstOpened)
{
    start();
    const QString program = file("game.bas", Program);
    window->openDocument(program);
    EXPECT_EQ(window->findChild<MemberListPanel*>(), nullptr) << "a program alone makes no list";
    // Its commands, before there is a list, do nothing.
    window->findChild<QAction*>("OpenMember1")->trigger();
    window->findChild<QAction*>("ExtractSave1")->trigger();
    EXPECT_EQ(window->windowTitle(), title(program));

    window->openDocument(zip);
    auto* made = window->findChild<MemberListPanel*>();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made, panel());
    EXPECT_FALSE(made->isHidden());
    EXPECT_EQ(window->dockWidgetArea(made), Qt::LeftDockWidgetArea);
    EXPECT_EQ(names(), QStringList({"DISK1.DSK", "README.TXT"}));
}

TEST_F(MemberListTest, ContainersOpenInTheListAndMembersFromIt)
{
    start();
    EXPECT_TRUE(panel()->isHidden()) << "no list before a container";
    window->openDocument(zip);
    EXPECT_FALSE(panel()->isHidden());
    EXPECT_EQ(names(), QStringList({"DISK1.DSK", "README.TXT"}));
    EXPECT_EQ(window->windowTitle(), title(zip));
    EXPECT_FALSE(panel()->upButton()->isEnabled()) << "the file on disk has nothing above it";

    activate("DISK1.DSK");
    const QString disk = zip + "::DISK1.DSK";
    EXPECT_EQ(names(), QStringList({"GAME.BAS", "PICS", "PICS/TITLE.SC7", "LOOP.BAS"}));
    EXPECT_EQ(window->windowTitle(), title(disk));
    EXPECT_TRUE(panel()->upButton()->isEnabled());
    EXPECT_TRUE(row("GAME.BAS")->text(MemberListPanel::StatusColumn).isEmpty());
    EXPECT_FALSE(row("LOOP.BAS")->text(MemberListPanel::StatusColumn).isEmpty()) << "damage is named";
    EXPECT_EQ(row("GAME.BAS")->text(MemberListPanel::SizeColumn), QString::number(Program.size()));
    EXPECT_EQ(row("PICS/TITLE.SC7")->text(MemberListPanel::DateColumn), "2024/05/06 12:34");
    EXPECT_EQ(row("PICS")->text(MemberListPanel::SizeColumn), "<DIR>");
    activate("PICS");
    EXPECT_EQ(window->windowTitle(), title(disk)) << "a folder has nothing to open";

    activate("GAME.BAS");
    EXPECT_EQ(window->listingView()->toPlainText().toStdString(), "10 PRINT \"A\"\n20 PRINT \"AB\"\n30 END\n");
    EXPECT_EQ(pages()->currentIndex(), BasicPageIndex);
    EXPECT_EQ(window->windowTitle(), title(disk + "::GAME.BAS"));
    EXPECT_EQ(names().size(), 4) << "the list stays while its members are looked at";

    // A member that cannot be read says so and changes nothing shown.
    activate("LOOP.BAS");
    EXPECT_TRUE(window->panelText(0).startsWith(QString::fromUtf8(status::OpenFailed.data())))
        << window->panelText(0).toStdString();
    EXPECT_EQ(window->windowTitle(), title(disk + "::GAME.BAS"));

    // Up, by the button and by Backspace in the list.
    panel()->upButton()->click();
    EXPECT_EQ(names(), QStringList({"DISK1.DSK", "README.TXT"}));
    EXPECT_EQ(window->windowTitle(), title(zip));
    activate("DISK1.DSK");
    press(list(), Qt::Key_Backspace);
    EXPECT_EQ(panel()->containerPath(), zip);
}

TEST_F(MemberListTest, ScreenCommandsAndReloadsWorkOnMembers)
{
    start();
    window->settingsOwner().set(&Settings::isAutoDetectScreenMode, true);
    window->openDocument(zip + "::DISK1.DSK");
    activate("PICS/TITLE.SC7");
    const QString picture = zip + "::DISK1.DSK::PICS/TITLE.SC7";
    EXPECT_EQ(pages()->currentIndex(), CgPageIndex);
    EXPECT_EQ(window->documentState().imageSourcePath, picture.toStdString());
    EXPECT_EQ(window->pictureView()->picture().width(), 512) << "SCREEN 7, from the member's name";

    window->settingsOwner().set(&Settings::isAutoDetectScreenMode, false);
    window->screenCommand(8);
    EXPECT_EQ(window->pictureView()->picture().width(), 256) << "the member is read again as SCREEN 8";
    EXPECT_EQ(window->windowTitle(), title(picture));
}

TEST_F(MemberListTest, MembersAreSavedAndDraggedOutAsTheyAre)
{
    start();
    window->openDocument(zip + "::DISK1.DSK");
    list()->setCurrentItem(row("GAME.BAS"));
    EXPECT_TRUE(enabled("ExtractSave1"));

    const fs::path saved = home.path() / "out" / "GAME.BAS";
    fs::create_directory(saved.parent_path());
    saveAs(saved);
    window->ExtractSave1Click();
    EXPECT_EQ(readFile(saved), Program);
    EXPECT_TRUE(window->panelText(0).startsWith(QString::fromUtf8(status::MemberSaved.data())));

    // A drag carries each member as a file of its own name, and only as a
    // copy: a move would take the rows out of the list.
    EXPECT_EQ(list()->model()->supportedDragActions(), Qt::CopyAction);
    const QModelIndexList rows = {list()->indexFromItem(row("GAME.BAS")), list()->indexFromItem(row("PICS/TITLE.SC7"))};
    std::unique_ptr<QMimeData> dragged(list()->model()->mimeData(rows));
    ASSERT_NE(dragged, nullptr);
    ASSERT_EQ(dragged->urls().size(), 2);
    // In no particular order.
    std::map<std::string, fs::path> files;
    for (const QUrl& url : dragged->urls()) {
        const fs::path file = url.toLocalFile().toStdString();
        files[file.filename().string()] = file;
    }
    ASSERT_EQ(files.count("GAME.BAS"), 1u);
    EXPECT_EQ(files.count("TITLE.SC7"), 1u) << "the folder inside stays inside";
    const fs::path program = files["GAME.BAS"];
    EXPECT_EQ(readFile(program), Program);

    // A member that cannot be read is left out of the drag, and said why.
    std::unique_ptr<QMimeData> damaged(list()->model()->mimeData({list()->indexFromItem(row("LOOP.BAS"))}));
    EXPECT_EQ(damaged, nullptr);
    EXPECT_TRUE(window->panelText(0).startsWith(QString::fromUtf8(status::MemberSaveFailed.data())));

    window->close();
    EXPECT_FALSE(fs::exists(program)) << "the dragged files go with the other temporary files";
    EXPECT_FALSE(fs::exists(program.parent_path()));
}

TEST_F(MemberListTest, WindowComesBackAsLeftAndTheListNeverPushesItOffTheScreen)
{
    start();
    EXPECT_EQ(window->size(), QSize(634, 394)) << "the first start keeps the designed size";
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window->show();
    window->move(screen.right() - 700, screen.top() + 40); // near the right edge
    QCoreApplication::processEvents();

    window->openDocument(zip);
    QCoreApplication::processEvents();
    EXPECT_TRUE(screen.contains(window->frameGeometry()))
        << window->frameGeometry().x() << "+" << window->frameGeometry().width() << " on " << screen.width();
    EXPECT_GT(window->width(), 634) << "the window grows as far as the screen allows";
    window->resizeDocks({panel()}, {panel()->width() - 20}, Qt::Horizontal);
    QCoreApplication::processEvents();
    const int listWidth = panel()->width();
    const QPoint where = window->geometry().topLeft();
    window->close();
    EXPECT_EQ(stored("Member List Width"), std::to_string(listWidth));
    EXPECT_EQ(stored("Is Window Maximized"), "0");
    EXPECT_EQ(stored("Window Geometry"), std::to_string(where.x()) + "," + std::to_string(where.y()) + ",634,394")
        << "the window as it was without the list";

    // The second start: where it was left, and the list as wide as it was.
    start();
    EXPECT_EQ(window->geometry(), QRect(where, QSize(634, 394)));
    window->show();
    window->openDocument(zip);
    QCoreApplication::processEvents();
    EXPECT_NEAR(panel()->width(), listWidth, 2);
    EXPECT_TRUE(screen.contains(window->frameGeometry()));
}

TEST_F(MemberListTest, FilesAreAddedToADiskAndDeletedFromItOnceAsked)
{
    start();
    // A new disk, made and listed at once.
    const fs::path disk = home.path() / "NEW.DSK";
    saveAs(disk);
    window->NewDisk1Click();
    ASSERT_TRUE(fs::exists(disk)) << window->panelText(0).toStdString();
    EXPECT_EQ(fs::file_size(disk), 737280u);
    EXPECT_EQ(window->windowTitle(), title(QString::fromStdString(disk.string())));
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(panel()->takesFiles());

    const QList<QUrl> dropped = {QUrl::fromLocalFile(file("game.bas", Program)),
                                 QUrl::fromLocalFile(file("notes.txt", "10 REM\r\n"))};
    const std::string blank = readFile(disk);
    // Each change is asked first, naming the files; "No" changes nothing.
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        QString asked;
        whenMessageBoxShown([&](QMessageBox* box) {
            asked = box->text();
            box->button(answer)->click();
        });
        // Dropped from a file manager onto the list's empty space: the root.
        QMimeData files;
        files.setUrls(dropped);
        const QPoint at(10, list()->viewport()->height() - 5);
        QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list()->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list()->viewport(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_TRUE(asked.contains("game.bas") && asked.contains("NEW.DSK")) << asked.toStdString();
        if (answer == QMessageBox::No)
            EXPECT_EQ(readFile(disk), blank);
    }
    EXPECT_EQ(names(), QStringList({"GAME.BAS", "NOTES.TXT"}));
    EXPECT_EQ(window->panelText(0), "ファイルを追加しました。");

    // Delete in the list removes the selected rows once asked.
    list()->setCurrentItem(row("GAME.BAS"));
    EXPECT_TRUE(enabled("DeleteMember1"));
    whenMessageBoxShown([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    press(list(), Qt::Key_Delete);
    EXPECT_EQ(names(), QStringList({"NOTES.TXT"}));
    EXPECT_EQ(window->panelText(0), "ファイルを削除しました。");

    // A disk inside an archive takes no files: a drop there opens them.
    window->openDocument(zip + "::DISK1.DSK");
    EXPECT_FALSE(panel()->takesFiles());
    list()->setCurrentItem(row("GAME.BAS"));
    EXPECT_FALSE(enabled("DeleteMember1"));
    press(list(), Qt::Key_Delete);
    EXPECT_EQ(names().size(), 4);

    // An existing file is not replaced by a new disk.
    saveAs(disk);
    QString reported;
    whenMessageBoxShown([&](QMessageBox* box) {
        reported = box->text();
        box->close();
    });
    window->NewDisk1Click();
    EXPECT_EQ(readFile(disk).size(), 737280u);
    EXPECT_TRUE(reported.startsWith("新しいディスクを作れませんでした。")) << reported.toStdString();
}
