// SPDX-License-Identifier: MIT
// The programs' command lines: --help and --version answered without a
// window or a display, unknown options refused, and file URIs opened as the
// desktop hands them over.

#include "MainWindowFixture.h"

#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>

using namespace quillet;
using namespace quillet::test;

namespace {

// The version project() gives in the root CMakeLists.txt.
QString projectVersion()
{
    const QString cmake = QString::fromStdString(readFile(std::string(QUILLET_SOURCE_DIR) + "/CMakeLists.txt"));
    return QRegularExpression(QStringLiteral(R"(project\(Quillet VERSION ([0-9.]+))")).match(cmake).captured(1);
}

} // namespace

TEST(CommandLine, HelpAndVersionAnswerWithoutAWindowAndUnknownOptionsAreRefused)
{
    const QString version = projectVersion();
    ASSERT_FALSE(version.isEmpty());
    struct Case {
        const char* program;
        QStringList args;
        int status;
        QString out; // what standard output starts with
        QString err; // what standard error holds
    };
    const Case cases[] = {
        {"quillet", {"--help"}, 0, "usage: quillet [FILE]...\n", ""},
        {"quillet", {"--version"}, 0, "quillet " + version + "\n", ""},
        {"quillet", {"-platform", "offscreen", "--version"}, 0, "quillet " + version + "\n", ""},
        {"quillet", {"--bogus", "x.bas"}, 2, "", "quillet: unknown option --bogus\nusage: quillet"},
        {"quillet-convert", {"--help"}, 0, "usage: quillet-convert", ""},
        {"quillet-convert", {"--version"}, 0, "quillet-convert " + version + "\n", ""},
        {"quillet-convert", {"--bogus"}, 2, "", "quillet-convert: unknown option --bogus\nusage:"},
        {"quillet-thumbnailer", {"--help"}, 0, "usage: quillet-thumbnailer -s SIZE INPUT OUTPUT\n", ""},
        {"quillet-thumbnailer", {"--version"}, 0, "quillet-thumbnailer " + version + "\n", ""},
        {"quillet-thumbnailer", {"-s", "64", "--bogus", "a", "b"}, 2, "", "unknown option --bogus\nusage:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.args.join(' ').toStdString());
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // No display to open a window on: a program that tried would fail
        // or wait for a window to close. Refusing an option only needs the
        // viewer's Qt options taken out, which it does offscreen.
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), c.status == 0 ? "xcb" : "offscreen");
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUILLET_BINARY_DIR "/") + c.program, c.args);
        ASSERT_TRUE(process.waitForFinished(20000)) << "still running";
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), c.status);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        if (c.out.isEmpty())
            EXPECT_TRUE(out.isEmpty()) << out.toStdString();
        else
            EXPECT_TRUE(out.startsWith(c.out)) << out.toStdString();
        if (c.err.isEmpty())
            EXPECT_TRUE(err.isEmpty()) << err.toStdString();
        else
            EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
    }
}

TEST_F(MainWindowTest, OpensFileUrisAsTheDesktopHandsThemOver)
{
    const std::string sample = readFile(samplePath("sample.bas"));
    const QString local = file("サンプル 1.bas", sample);
    const QString other = file("two.bas", Program);
    // As a recent-files entry or a %U field code passes them.
    start({QUrl::fromLocalFile(local).toString(QUrl::FullyEncoded),
           QStringLiteral("file://localhost") + QUrl::fromLocalFile(other).toString(QUrl::EncodeSpaces).mid(7)});
    EXPECT_EQ(window->windowTitle(), local + " - Quillet");
    EXPECT_TRUE(window->listingView()->toPlainText().startsWith("10 REM Quillet sample program\n"))
        << window->listingView()->toPlainText().toStdString();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(started[0].path.startsWith("file://localhost/")) << "each window reads its own name";

    // Dropped: the URI read as on the command line; one of another machine
    // is refused with the reason.
    ASSERT_TRUE(window->AcceptFiles({QUrl(QStringLiteral("file://localhost") + other)}));
    EXPECT_EQ(window->windowTitle(), other + " - Quillet");
    const QString notLocal = QStringLiteral("ファイルを開けませんでした。このコンピュータのファイルではありません。");
    EXPECT_FALSE(window->AcceptFiles({QUrl("smb://nas/share/GAME.BAS")}));
    EXPECT_EQ(window->panelText(0), notLocal);
    EXPECT_EQ(window->windowTitle(), other + " - Quillet");

    // Given on the command line.
    window.reset();
    started.clear();
    start({QStringLiteral("http://example.org/GAME.BAS")});
    EXPECT_EQ(window->panelText(0), notLocal);
    EXPECT_EQ(window->windowTitle(), "Quillet");
}
