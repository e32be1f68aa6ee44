// SPDX-License-Identifier: MIT
// Access keys (the underlined letters of "&" captions) in both languages:
// within one menu, and among the controls a window or a dialog page shows
// at once, no two share a key, or the key moves between them instead of
// choosing one.

#include "MainWindowFixture.h"
#include "app/RecentDocuments.h"
#include "ui/FindDialog.h"
#include "ui/QuilletUnit2.h"
#include "ui/QuilletUnit3.h"
#include "ui/Translations.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTranslator>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

struct Scope {
    std::string name;
    QStringList captions;
};

// The captions of the controls a user can reach by key in `root` while it
// shows what it shows now: buttons, boxes, group titles, tabs, and labels
// that lead to a control.
QStringList shownCaptions(QWidget* root)
{
    QStringList captions;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w))
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            captions << button->text();
        if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy())
            captions << label->text();
        if (auto* group = qobject_cast<QGroupBox*>(w))
            captions << group->title();
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                captions << tabs->tabText(i);
        }
    }
    return captions;
}

// Every scope of the program's windows: each menu, the main window with its
// menu bar, each page of the settings dialog, the find dialog, the About box.
std::vector<Scope> scopesOf(TForm1& window)
{
    std::vector<Scope> scopes;
    Scope bar{"main window", shownCaptions(&window)};
    for (QAction* menu : window.menuBar()->actions())
        bar.captions << menu->text();
    scopes.push_back(bar);
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        emit menu->aboutToShow(); // a menu filled when shown
        Scope items{"menu " + menu->objectName().toStdString() + " \"" + menu->title().toStdString() + "\"", {}};
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                items.captions << action->text();
        }
        scopes.push_back(items);
    }
    TPagesDlg* dialog = window.settingsDialog();
    auto* pages = dialog->findChild<QTabWidget*>("PageControl1");
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        scopes.push_back({"settings page " + pages->tabText(page).toStdString(), shownCaptions(dialog)});
    }
    scopes.push_back({"find dialog", shownCaptions(window.findDialog())});
    scopes.push_back({"About box", shownCaptions(window.aboutBox())});
    return scopes;
}

struct TranslatorsGone {
    ~TranslatorsGone() { qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>()); }
};

class AccessKeysTest : public MainWindowTest {};

} // namespace

TEST_F(AccessKeysTest, EveryMenuAndDialogPageHasEachAccessKeyOnceInBothLanguages)
{
    // A full list of recent files, one of them with "&" in its name.
    const app::RecentFiles recent(home.storeFile().string());
    for (int i = 1; i <= 10; ++i)
        recent.add(home.path().string() + "/game" + std::to_string(i) + ".bas");
    recent.add(home.path().string() + "/R&D.bas");

    for (std::string_view language : {ui::JapaneseLanguage, ui::EnglishLanguage}) {
        TranslatorsGone cleanup;
        if (language == ui::EnglishLanguage)
            ASSERT_TRUE(ui::installTranslations(*QCoreApplication::instance(), language));
        start();
        const std::vector<Scope> scopes = scopesOf(*window);
        std::map<std::string, int> keysPerScope;
        for (const Scope& scope : scopes) {
            std::map<QString, QStringList> byKey;
            for (const QString& caption : scope.captions) {
                const QKeySequence key = QKeySequence::mnemonic(caption);
                if (!key.isEmpty())
                    byKey[key.toString()] << caption;
            }
            keysPerScope[scope.name] = static_cast<int>(byKey.size());
            for (const auto& [key, captions] : byKey) {
                EXPECT_EQ(captions.size(), 1) << language << ", " << scope.name << ": " << key.toStdString() << " on "
                                              << captions.join(" | ").toStdString();
            }
        }
        // The walk reached what it is meant to check.
        EXPECT_EQ(keysPerScope["main window"], 4) << language;
        EXPECT_EQ(keysPerScope["menu RecentMenu1 \"" + window->findChild<QMenu*>("RecentMenu1")->title().toStdString()
                               + "\""],
                  11)
            << language << ": ten files and the clear command";
        for (const char* menu : {"File1", "Edit1", "O1", "S1", "Zoom1", "SpriteSizes1", "Palette1", "Help1",
                                 "PopupMenu1", "PopupMenu2", "PopupMenu3", "RecentMenu1"})
            EXPECT_NE(window->findChild<QMenu*>(menu), nullptr) << menu;
        EXPECT_EQ(scopes.size(), 13u + 1 + 6 + 2) << language << ": the menus, the window, six pages, two dialogs";
        EXPECT_EQ(window->action("Exit1")->text(), language == ui::EnglishLanguage ? "E&xit" : "終了(&X)");
    }
}
