// SPDX-License-Identifier: MIT
// The thumbnailer: its pictures' shapes and pixels, the first screen of a
// program, and the program as a file manager runs it, which must leave no
// file behind when it refuses one.

#include "PluginTestSupport.h"
#include "fonts/BundledFonts.h"
#include "support/TestSupport.h"
#include "thumbnailer/Thumbnail.h"
#include "tools/PictureGen.h"

#include <QImage>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using quillet::test::coreDecode;
using quillet::test::hexBytes;
using quillet::test::ScratchDir;
using quillet::test::writeFile;
using namespace quillet::thumb;

namespace {

QString qpath(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

// 10 PRINT "HI" / 20 GOTO 10, as MSX BASIC stores it from 0x8001.
const char* const Program = R"(
    FF
    0C 80  0A 00  91 20 22 48 49 22 00    # 10 PRINT "HI"
    16 80  14 00  89 20 0E 0A 00 00       # 20 GOTO 10
    00 00
)";

// SCREEN 5 lines whose left half is colour 15 and right half colour 8 of
// the default palette: wide areas of one colour, which any scaling keeps.
std::string halvesPicture(int lines)
{
    std::string line(64, '\xFF');
    line += std::string(64, '\x88');
    std::string data;
    for (int y = 0; y < lines; ++y)
        data += line;
    return quillet::gen::bsaveFile(0, data);
}

// How many pixels of an 8 x 8 cell differ from the background.
int inkInCell(const QImage& screen, int column, int row, QRgb background)
{
    int ink = 0;
    for (int y = 0; y < CellDots; ++y)
        for (int x = 0; x < CellDots; ++x)
            ink += screen.pixel(column * CellDots + x, row * CellDots + y) != background;
    return ink;
}

class Thumbnailer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        quillet::test::guiApp();
        quillet::fonts::loadBundledFonts({QStringLiteral(QUILLET_BINARY_DIR "/fonts")});
        family_ = quillet::fonts::bundledFamily(quillet::msx::CharacterSet::Japanese);
    }

    fs::path write(const std::string& name, const std::string& bytes)
    {
        const fs::path path = scratch_ / name;
        writeFile(path, bytes);
        return path;
    }

    // Runs the real program; its exit status. `environment` and `limit`,
    // when given, are the run's environment and its largest file.
    static int run(const QStringList& args, const QProcessEnvironment& environment = {}, rlim_t limit = 0,
                   QString* err = nullptr)
    {
        QProcess process;
        if (!environment.isEmpty())
            process.setProcessEnvironment(environment);
        if (limit > 0)
            process.setChildProcessModifier([limit] {
                // A write past the limit then fails instead of ending the program.
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit size{limit, limit};
                ::setrlimit(RLIMIT_FSIZE, &size);
            });
        process.start(QStringLiteral(QUILLET_THUMBNAILER), args);
        if (!process.waitForFinished(30000))
            return -1;
        if (err)
            *err = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }

    std::set<std::string> filesInScratch() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(scratch_.path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    static inline QString family_;
    ScratchDir scratch_;
};

} // namespace

TEST_F(Thumbnailer, FitsPicturesWithTheShapeAnMsxScreenGivesThem)
{
    const auto picture = [](int width, int height) { return QImage(width, height, QImage::Format_RGB888); };
    EXPECT_EQ(fitPicture(picture(256, 212), 128).size(), QSize(128, 106));
    EXPECT_EQ(fitPicture(picture(256, 192), 128).size(), QSize(128, 96));
    // 512-wide modes have half-width pixels; interlaced pictures half-height lines.
    EXPECT_EQ(fitPicture(picture(512, 212), 128).size(), QSize(128, 106));
    EXPECT_EQ(fitPicture(picture(512, 424), 256).size(), QSize(256, 212));
    EXPECT_EQ(fitPicture(picture(256, 424), 256).size(), QSize(256, 212));
    // Enlarged for the largest sizes, and never past the size asked for.
    EXPECT_EQ(fitPicture(picture(256, 212), 1024).size(), QSize(1024, 848));
    EXPECT_EQ(fitPicture(picture(256, 212), 1).size(), QSize(1, 1));
    EXPECT_TRUE(fitPicture(picture(256, 212), 0).isNull());
    EXPECT_TRUE(fitPicture(QImage(), 128).isNull());
}

TEST_F(Thumbnailer, ShrinksSmoothlyAndEnlargesByRepeatingPixels)
{
    // Columns alternating between two colours: shrunk to half, each
    // thumbnail pixel is their mean; enlarged, each stays a block.
    QImage stripes(256, 212, QImage::Format_RGB888);
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 212; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(200, 0, 0) : qRgb(0, 0, 100));
    const QImage small = fitPicture(stripes, 128);
    const QRgb mean = small.pixel(64, 53);
    EXPECT_NEAR(qRed(mean), 100, 8);
    EXPECT_NEAR(qBlue(mean), 50, 8);
    const QImage large = fitPicture(stripes, 1024);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(large.pixel(x, 100), x < 4 ? qRgb(0, 0, 100) : qRgb(200, 0, 0)) << x;
}

TEST_F(Thumbnailer, WritesAPictureThumbnailOfTheDecodedPicture)
{
    const std::string file = halvesPicture(212);
    const fs::path input = write("HALVES.SC5", file);
    const fs::path output = scratch_ / "thumb.png";
    ASSERT_EQ(run({QStringLiteral("-s"), QStringLiteral("128"), qpath(input), qpath(output)}), 0);
    const QImage thumbnail(qpath(output), "png");
    ASSERT_EQ(thumbnail.size(), QSize(128, 106));
    const quillet::DecodedPicture core = coreDecode(file, 5);
    const auto rgb = [](quillet::Rgb c) { return qRgb(c.red, c.green, c.blue); };
    EXPECT_EQ(thumbnail.pixel(10, 50), rgb(core.pixel(20, 100)));
    EXPECT_EQ(thumbnail.pixel(117, 50), rgb(core.pixel(235, 100)));
    EXPECT_NE(thumbnail.pixel(10, 50), thumbnail.pixel(117, 50));
}

TEST_F(Thumbnailer, DrawsTheFirstLinesOfAProgramInTheMsxFont)
{
    if (family_.isEmpty())
        GTEST_SKIP() << "the MSX fonts are not built";
    const std::string program = hexBytes(Program);
    const QImage screen =
        programScreen(QByteArrayView(program.data(), static_cast<qsizetype>(program.size())), family_);
    ASSERT_EQ(screen.size(), QSize(256, 192));
    const QRgb background = screen.pixel(255, 191);
    // "10 PRINT "HI"": ink in the digits and letters, none in the blank
    // after the number, none past the line's end or below the last line.
    EXPECT_GT(inkInCell(screen, 0, 0, background), 4);
    EXPECT_GT(inkInCell(screen, 1, 0, background), 4);
    EXPECT_EQ(inkInCell(screen, 2, 0, background), 0);
    EXPECT_GT(inkInCell(screen, 3, 0, background), 4);
    EXPECT_GT(inkInCell(screen, 12, 0, background), 0);
    EXPECT_EQ(inkInCell(screen, 13, 0, background), 0);
    EXPECT_GT(inkInCell(screen, 3, 1, background), 4); // "G" of GOTO
    EXPECT_EQ(inkInCell(screen, 0, 2, background), 0);
    // Dots, not smoothed edges: two colours in all.
    std::set<QRgb> colours;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 256; ++x)
            colours.insert(screen.pixel(x, y));
    EXPECT_EQ(colours.size(), 2u);

    // Through the program, at a file manager's size.
    const fs::path output = scratch_ / "program.png";
    ASSERT_EQ(run({QStringLiteral("-s"), QStringLiteral("256"), qpath(write("GAME.BAS", program)), qpath(output)}), 0);
    const QImage thumbnail(qpath(output), "png");
    EXPECT_EQ(thumbnail.size(), QSize(256, 192));
    EXPECT_EQ(thumbnail.convertToFormat(QImage::Format_RGB32), screen);
}

TEST_F(Thumbnailer, ListsADamagedProgramAsFarAsItGoes)
{
    if (family_.isEmpty())
        GTEST_SKIP() << "the MSX fonts are not built";
    // The first line whole, the second cut off inside its link.
    const std::string cut = hexBytes("FF 0C 80 0A 00 91 20 22 48 49 22 00 14");
    const QImage screen = programScreen(QByteArrayView(cut.data(), static_cast<qsizetype>(cut.size())), family_);
    ASSERT_FALSE(screen.isNull());
    EXPECT_GT(inkInCell(screen, 0, 0, screen.pixel(255, 191)), 4);
    // A program with no line shows nothing worth a thumbnail.
    const std::string empty = hexBytes("FF 00 00");
    EXPECT_TRUE(programScreen(QByteArrayView(empty.data(), 3), family_).isNull());
}

TEST_F(Thumbnailer, RefusesWhatItCannotShowAndLeavesNoFile)
{
    const std::pair<const char*, std::string> refused[] = {
        {"notes.txt", "shopping list\n"},
        {"cut.sc5", hexBytes("FE 00 00 FF")},
        {"backwards.sc5", hexBytes("FE 00 80 FF 00 00 00 11")},
        {"empty.bas", hexBytes("FF 00 00")},
        {"nothing", ""},
        {"game.bin", hexBytes("FE 00 C0 02 C0 00 C0 C9 00 C9")}, // machine code
        {"game.rom", hexBytes("41 42 10 40 00 00")},
    };
    for (const auto& [name, bytes] : refused) {
        SCOPED_TRACE(name);
        const fs::path input = write(name, bytes);
        const auto before = filesInScratch();
        EXPECT_EQ(run({QStringLiteral("-s"), QStringLiteral("128"), qpath(input), qpath(scratch_ / "out.png")}), 1);
        EXPECT_EQ(filesInScratch(), before);
    }
    // A folder, a missing file, and arguments it does not take.
    EXPECT_EQ(run({QStringLiteral("-s"), QStringLiteral("128"), qpath(scratch_.path()), qpath(scratch_ / "o.png")}), 1);
    EXPECT_EQ(
        run({QStringLiteral("-s"), QStringLiteral("128"), qpath(scratch_ / "missing"), qpath(scratch_ / "o.png")}), 1);
    const fs::path picture = write("OK.SC5", halvesPicture(10));
    EXPECT_EQ(run({QStringLiteral("-s"), QStringLiteral("0"), qpath(picture), qpath(scratch_ / "o.png")}), 2);
    EXPECT_EQ(run({qpath(picture), qpath(scratch_ / "o.png")}), 2);
    EXPECT_FALSE(fs::exists(scratch_ / "o.png"));
    // An output folder that does not exist: a failure, not a crash.
    EXPECT_EQ(run({QStringLiteral("-s"), QStringLiteral("64"), qpath(picture), qpath(scratch_ / "no" / "o.png")}), 1);
}

TEST_F(Thumbnailer, WritesIntoTheOutputItIsGivenAndLeavesNothingBehind)
{
    const fs::path input = write("HALVES 1.SC5", halvesPicture(212));
    const fs::path program = write("LIST 1.BAS", hexBytes(Program));
    // As tumbler runs it: the output made and held open before the run,
    // and read through that same handle after. As GNOME's sandbox runs
    // it: no runtime folder, and a temporary folder of the factory's own.
    // A picture is made without Qt's application, a program with it: the
    // PNGs say the same resolution either way.
    const fs::path output = scratch_ / "tumbler-1.png";
    const fs::path programOutput = scratch_ / "tumbler-2.png";
    const int held = ::open(output.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    const fs::path tmp = scratch_ / "tmp";
    fs::create_directory(tmp);
    QProcessEnvironment sandbox = QProcessEnvironment::systemEnvironment();
    sandbox.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    sandbox.insert(QStringLiteral("TMPDIR"), qpath(tmp));
    const auto uri = [](const fs::path& path) { return QUrl::fromLocalFile(qpath(path)).toString(QUrl::FullyEncoded); };
    QString err;
    ASSERT_EQ(run({QStringLiteral("-s"), QStringLiteral("128"), uri(input), uri(output)}, sandbox, 0, &err), 0)
        << err.toStdString();
    struct stat heldFile;
    struct stat named;
    ASSERT_EQ(::fstat(held, &heldFile), 0);
    ASSERT_EQ(::stat(output.c_str(), &named), 0);
    EXPECT_EQ(heldFile.st_ino, named.st_ino) << "a new file took the name";
    QByteArray png(static_cast<qsizetype>(heldFile.st_size), '\0');
    ASSERT_EQ(::pread(held, png.data(), static_cast<std::size_t>(png.size()), 0), png.size());
    const QImage pictureThumbnail = QImage::fromData(png, "png");
    EXPECT_EQ(pictureThumbnail.size(), QSize(128, 106));
    EXPECT_TRUE(fs::is_empty(tmp)) << "a runtime folder was left behind";
    EXPECT_FALSE(err.contains(QStringLiteral("QStandardPaths"))) << err.toStdString();
    ASSERT_EQ(run({QStringLiteral("-s"), QStringLiteral("128"), uri(program), uri(programOutput)}, sandbox, 0, &err), 0)
        << err.toStdString();
    const QImage programThumbnail(qpath(programOutput), "png");
    EXPECT_EQ(programThumbnail.size(), QSize(128, 96));
    EXPECT_TRUE(fs::is_empty(tmp)) << "a runtime folder was left behind";
    EXPECT_FALSE(err.contains(QStringLiteral("QStandardPaths"))) << err.toStdString();
    for (const QImage* made : {&pictureThumbnail, &programThumbnail}) {
        EXPECT_EQ(made->dotsPerMeterX(), 3780); // 96 dots per inch
        EXPECT_EQ(made->dotsPerMeterY(), 3780);
    }
    fs::remove(programOutput);

    // A write that fails part way, into the held file or a new one: status
    // 1, and no half thumbnail under the name.
    EXPECT_EQ(run({QStringLiteral("-s"), QStringLiteral("128"), qpath(input), qpath(output)}, sandbox, 100), 1);
    ASSERT_EQ(::fstat(held, &heldFile), 0);
    EXPECT_EQ(heldFile.st_size, 0);
    ::close(held);
    EXPECT_EQ(
        run({QStringLiteral("-s"), QStringLiteral("128"), qpath(input), qpath(scratch_ / "new.png")}, sandbox, 100), 1);
    EXPECT_FALSE(fs::exists(scratch_ / "new.png"));
    EXPECT_EQ(run({QStringLiteral("-s"), QStringLiteral("128"), qpath(input), QStringLiteral("/dev/full")}), 1);
    EXPECT_TRUE(fs::is_empty(tmp));
}
