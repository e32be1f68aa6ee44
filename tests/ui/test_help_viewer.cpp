// SPDX-License-Identifier: MIT
// The help files and their viewer: contents, the settings topic (context 8),
// and the file of each interface language.

#include "UiTestSupport.h"
#include "ui/HelpViewer.h"

#include <QDialog>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace quillet::test;

TEST(HelpViewer, OpensTheContentsAndTheSettingsTopic)
{
    ensureApplication();
    const QString helpFile = QString::fromStdString((sourceDir() / "help/Quillet.hlp").string());
    HelpViewer viewer;
    viewer.resize(400, 200);
    ASSERT_TRUE(viewer.showContents(helpFile));
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("目次")));
    const int contents = viewer.browser()->verticalScrollBar()->value();

    ASSERT_TRUE(viewer.showContext(helpFile, 8));
    EXPECT_GT(viewer.browser()->verticalScrollBar()->value(), contents + 100) << "scrolled to the settings topic";
    EXPECT_FALSE(viewer.showContents(helpFile + ".missing"));
}

namespace {

// The links and anchors as the browser reads them from the HTML.
struct Links {
    QStringList inPage; // targets of href="#..."
    QStringList external;
    QSet<QString> anchors;
};

Links linksOf(const QTextDocument& document)
{
    Links links;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            const QString href = format.anchorHref();
            if (href.startsWith(QLatin1Char('#')))
                links.inPage << href.mid(1);
            else if (!href.isEmpty())
                links.external << href;
            for (const QString& name : format.anchorNames())
                links.anchors.insert(name);
        }
    }
    return links;
}

} // namespace

TEST(HelpViewer, OpensTheHelpOfTheInterfaceLanguageWithEveryLinkAnchored)
{
    ensureApplication();
    // The files as the build configures them, laid out as a build tree (beside
    // the program) or an installation (../share/quillet).
    const std::filesystem::path built = QUILLET_BINARY_DIR;
    const std::vector<std::string> both = {"Quillet.hlp", "Quillet_en.hlp"};
    const struct {
        const char* language;
        bool installed;
        std::vector<std::string> present;
        const char* opened;
        const char* title;
    } cases[] = {
        {"ja", false, both, "Quillet.hlp", "Quillet ヘルプ"},
        {"en", false, both, "Quillet_en.hlp", "Quillet Help"},
        {"ja", true, both, "Quillet.hlp", "Quillet ヘルプ"},
        {"en", true, both, "Quillet_en.hlp", "Quillet Help"},
        // A language without a help of its own falls back on the Japanese.
        {"en", false, {"Quillet.hlp"}, "Quillet.hlp", "Quillet ヘルプ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.language) + (c.installed ? " installed" : " beside the program"));
        ScratchDir dir;
        const std::filesystem::path program = dir / "bin";
        const std::filesystem::path folder = c.installed ? dir / "share/quillet" : program;
        std::filesystem::create_directories(program);
        std::filesystem::create_directories(folder);
        for (const std::string& name : c.present)
            std::filesystem::copy_file(built / name, folder / name);

        const QString file = HelpViewer::helpFile(QString::fromStdString(program.string()), c.language);
        EXPECT_EQ(file.toStdString(), std::filesystem::canonical(folder / c.opened).string());
        HelpViewer viewer;
        viewer.resize(400, 200);
        ASSERT_TRUE(viewer.showContents(file));
        EXPECT_EQ(viewer.browser()->documentTitle(), QString::fromUtf8(c.title));

        const Links links = linksOf(*viewer.browser()->document());
        EXPECT_GE(links.inPage.size(), 10) << "the contents link every topic";
        for (const QString& target : links.inPage)
            EXPECT_TRUE(links.anchors.contains(target)) << "no anchor for #" << target.toStdString();
        EXPECT_TRUE(links.anchors.contains(QStringLiteral("contents")));
        EXPECT_TRUE(links.anchors.contains(QStringLiteral("8"))) << "the settings dialog's topic";
        // The issue page comes from the build, not a placeholder.
        EXPECT_FALSE(links.external.isEmpty());
        for (const QString& href : links.external)
            EXPECT_TRUE(href.startsWith(QStringLiteral("https://"))) << href.toStdString();

        const int contents = viewer.browser()->verticalScrollBar()->value();
        ASSERT_TRUE(viewer.showContext(file, 8));
        EXPECT_GT(viewer.browser()->verticalScrollBar()->value(), contents + 100) << "scrolled to the settings topic";
    }
}

TEST(HelpViewer, AnswersTheUserOverTheModalDialogItWasOpenedFrom)
{
    ensureApplication();
    const QString helpFile = QStringLiteral(QUILLET_BINARY_DIR "/Quillet.hlp");
    QWidget owner;
    owner.show();
    auto* viewer = new HelpViewer(&owner);
    viewer->resize(400, 200);
    QDialog settings(&owner);
    int before = -1;
    int after = -1;
    QTimer::singleShot(0, &settings, [&] {
        ASSERT_TRUE(viewer->showContext(helpFile, 8));
        viewer->browser()->setFocus();
        before = viewer->browser()->verticalScrollBar()->value();
        // Through the window system, which holds back input from a window
        // that a modal dialog blocks.
        QTest::keyClick(viewer->windowHandle(), Qt::Key_PageDown);
        after = viewer->browser()->verticalScrollBar()->value();
        settings.reject();
    });
    settings.exec();
    EXPECT_GT(after, before) << "the help scrolls while the dialog is open";
    EXPECT_TRUE(viewer->isVisible()) << "and stays open after it";
}
