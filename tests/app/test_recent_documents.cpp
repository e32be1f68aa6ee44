// SPDX-License-Identifier: MIT
// The desktop's recently-used list, and the viewer's own list of recent
// files in the settings store.

#include "app/RecentDocuments.h"
#include "app/SettingsStore.h"
#include "support/TestSupport.h"

#include <QDomDocument>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using quillet::app::RecentDocuments;
using quillet::app::RecentFiles;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

QDomDocument parse(const std::filesystem::path& path)
{
    QDomDocument doc;
    const std::string text = readFile(path);
    EXPECT_TRUE(doc.setContent(QByteArray::fromStdString(text))) << text;
    return doc;
}

QString qpath(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

} // namespace

TEST(RecentDocuments, CreatesTheListAndCountsRepeatedOpenings)
{
    ScratchDir dir;
    const auto list = dir / "share/recently-used.xbel";
    RecentDocuments recent(qpath(list));
    ASSERT_TRUE(recent.add(qpath(dir / "my game.bas"), "application/x-msx-basic"));
    ASSERT_TRUE(recent.add(qpath(dir / "my game.bas"), "application/x-msx-basic"));

    const QDomDocument doc = parse(list);
    const QDomNodeList bookmarks = doc.elementsByTagName("bookmark");
    ASSERT_EQ(bookmarks.size(), 1);
    const QDomElement bookmark = bookmarks.at(0).toElement();
    EXPECT_EQ(bookmark.attribute("href").toStdString(), "file://" + (dir / "my%20game.bas").string());
    EXPECT_FALSE(bookmark.attribute("added").isEmpty());
    EXPECT_EQ(doc.elementsByTagName("mime:mime-type").at(0).toElement().attribute("type"), "application/x-msx-basic");
    const QDomElement app = doc.elementsByTagName("bookmark:application").at(0).toElement();
    EXPECT_EQ(app.attribute("name"), "Quillet");
    EXPECT_EQ(app.attribute("count"), "2");
}

TEST(RecentDocuments, KeepsOtherApplicationsEntries)
{
    ScratchDir dir;
    const auto list = dir / "recently-used.xbel";
    writeFile(list, R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0" xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks" xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info">
  <bookmark href="file:///home/u/notes.txt" added="2020-01-01T00:00:00Z" modified="2020-01-01T00:00:00Z" visited="2020-01-01T00:00:00Z">
    <info><metadata owner="http://freedesktop.org"><mime:mime-type type="text/plain"/>
      <bookmark:applications><bookmark:application name="Editor" exec="'editor %u'" modified="2020-01-01T00:00:00Z" count="3"/></bookmark:applications>
    </metadata></info>
  </bookmark>
</xbel>
)");
    ASSERT_TRUE(RecentDocuments(qpath(list)).add(qpath(dir / "pic.sc5"), "image/x-msx-bsave"));
    const QDomDocument doc = parse(list);
    ASSERT_EQ(doc.elementsByTagName("bookmark").size(), 2);
    const QDomElement first = doc.elementsByTagName("bookmark").at(0).toElement();
    EXPECT_EQ(first.attribute("href"), "file:///home/u/notes.txt");
    EXPECT_EQ(first.attribute("modified"), "2020-01-01T00:00:00Z");
    EXPECT_EQ(doc.elementsByTagName("bookmark:application").at(0).toElement().attribute("count"), "3");
}

TEST(RecentDocuments, LeavesAnUnreadableListAlone)
{
    ScratchDir dir;
    const auto list = dir / "recently-used.xbel";
    const std::string garbage = "<xbel><bookmark href=\"x\">\x01\xff not closed";
    writeFile(list, garbage);
    EXPECT_FALSE(RecentDocuments(qpath(list)).add(qpath(dir / "a.bas"), "text/plain"));
    EXPECT_EQ(readFile(list), garbage);

    writeFile(list, "<?xml version=\"1.0\"?><html/>");
    EXPECT_FALSE(RecentDocuments(qpath(list)).add(qpath(dir / "a.bas"), "text/plain"));
    EXPECT_EQ(readFile(list), "<?xml version=\"1.0\"?><html/>");
}

TEST(RecentFiles, KeepsTheLastTenMostRecentFirstWhateverTheirNames)
{
    ScratchDir dir;
    const fs::path store = dir / "Quillet.ini";
    const RecentFiles recent(store.string());
    EXPECT_TRUE(recent.files().empty());

    // Names that hold the list's separator, its escape, a line break, bytes
    // that are not UTF-8, and member paths: each comes back as it went in.
    const std::vector<std::string> names = {
        "/m/game.bas",   "/m/games.zip::DISK1.DSK::DIR/TITLE.SC5",
        "/m/a|b.bas",    "/m/100%25%.bas",
        "/m/two\nlines", "/m/\xB0\xDE\xBD.bas",
        "/m/日本語.bas",
    };
    for (const std::string& name : names)
        ASSERT_TRUE(recent.add(name)) << name;
    EXPECT_EQ(recent.files(), std::vector<std::string>(names.rbegin(), names.rend()));
    const std::string text = readFile(store);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << "one line under the section: " << text;
    for (const char* readable : {"/m/games.zip::DISK1.DSK::DIR/TITLE.SC5", "/m/日本語.bas"})
        EXPECT_NE(text.find(readable), std::string::npos) << "kept readable: " << readable << "\n" << text;

    // Opened again: first, and listed once.
    ASSERT_TRUE(recent.add("/m/game.bas"));
    EXPECT_EQ(recent.files().front(), "/m/game.bas");
    EXPECT_EQ(recent.files().size(), names.size());

    // Ten at most: the oldest go.
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(recent.add("/m/more" + std::to_string(i) + ".bas"));
    const std::vector<std::string> files = recent.files();
    ASSERT_EQ(files.size(), RecentFiles::MaxFiles);
    EXPECT_EQ(files.front(), "/m/more11.bas");
    EXPECT_EQ(files.back(), "/m/more2.bas");

    EXPECT_TRUE(recent.clear());
    EXPECT_TRUE(recent.files().empty());
    // Other values of the store stay as they were.
    writeFile(store, readFile(store) + "Screen Mode=8\n");
    ASSERT_TRUE(recent.add("/m/game.bas"));
    EXPECT_EQ(quillet::app::SettingsStore(store.string()).readInteger(quillet::app::SettingsSection, "Screen Mode", 5),
              8);
}
