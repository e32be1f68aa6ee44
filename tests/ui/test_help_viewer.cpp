// The help file and its viewer: contents and the settings topic (context 8).

#include "UiTestSupport.h"
#include "ui/HelpViewer.h"

#include <QScrollBar>
#include <QTextBrowser>

#include <gtest/gtest.h>

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
