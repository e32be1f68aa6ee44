// SPDX-License-Identifier: MIT
// The image-format plugin as Qt programs load it: through QImageReader,
// with QT_PLUGIN_PATH at the build's plugin folder. Its pictures must be
// the core's, pixel for pixel, and whatever it cannot decode must go back
// to Qt as "not mine" or a clean failure.

#include "PluginTestSupport.h"
#include "document/Picture.h"
#include "imageformats/MsxPicture.h"
#include "support/TestSupport.h"
#include "tools/PictureGen.h"

#include <QBuffer>
#include <QFile>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QImageWriter>
#include <QPluginLoader>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using quillet::DecodedPicture;
using quillet::PictureOptions;
using quillet::test::coreDecode;
using quillet::test::hexBytes;
using quillet::test::samePixels;
using quillet::test::ScratchDir;
using quillet::test::writeFile;

namespace {

QString qpath(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

QByteArray qbytes(const std::string& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A SCREEN 2 screen as BASIC saves it: BSAVE "X",0,&H3FFF,S (16 KB from 0),
// the pattern of every cell its own stripes and the colour table white on
// dark red, so every third shows.
std::string screen2Dump()
{
    std::string vram(0x4000, '\0');
    for (std::size_t i = 0; i < 0x1800; ++i)
        vram[i] = static_cast<char>(i % 3 == 0 ? 0xF0 : 0x0F);
    for (std::size_t i = 0x2000; i < 0x3800; ++i)
        vram[i] = static_cast<char>(0xF6);
    return quillet::gen::bsaveFile(0, vram);
}

// SCREEN 5 lines of one byte value: two pixels of colour `pair`'s nibbles.
std::string screen5Lines(int lines, char pair)
{
    return quillet::gen::bsaveFile(0, std::string(static_cast<std::size_t>(lines) * 128, pair));
}

class ImagePlugin : public ::testing::Test {
protected:
    static void SetUpTestSuite() { quillet::test::guiApp(); }

    fs::path write(const std::string& name, const std::string& bytes)
    {
        const fs::path path = scratch_ / name;
        writeFile(path, bytes);
        return path;
    }

    ScratchDir scratch_;
};

} // namespace

TEST_F(ImagePlugin, IsFoundWithItsFormatsAndMimeTypes)
{
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    EXPECT_TRUE(formats.contains("msx"));
    for (std::string_view suffix : quillet::PictureSuffixes)
        EXPECT_TRUE(formats.contains(QByteArray(suffix.data(), static_cast<qsizetype>(suffix.size())))) << suffix;
    const QList<QByteArray> mimeTypes = QImageReader::supportedMimeTypes();
    EXPECT_TRUE(mimeTypes.contains("image/x-msx-bsave"));
    EXPECT_TRUE(mimeTypes.contains("image/x-msx-paint"));
    EXPECT_TRUE(QImageReader::imageFormatsForMimeType("image/x-msx-paint").contains("sr7"));
    // Reading only.
    EXPECT_FALSE(QImageWriter::supportedImageFormats().contains("sc5"));
}

TEST_F(ImagePlugin, ReadsEveryGeneratedPictureAsTheCoreDecodesIt)
{
    for (const auto& golden : quillet::gen::goldenPictures()) {
        SCOPED_TRACE(golden.name);
        // Upper case, as MSX disks keep names: the last-character rule of
        // the name detection reads "A", "B", "C" only so.
        QImageReader reader(qpath(write(QString::fromStdString(golden.name).toUpper().toStdString(), golden.file)));
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        // Colour numbers stay numbers, as in a palette PNG; YJK is 24-bit.
        const QImage::Format format = golden.mode >= 10 ? QImage::Format_RGB888 : QImage::Format_Indexed8;
        EXPECT_EQ(reader.imageFormat(), format);
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.format(), format);
        EXPECT_TRUE(samePixels(image, coreDecode(golden.file, golden.mode)));
    }
}

TEST_F(ImagePlugin, DecidesTheModeByContentWhenTheNameSaysNothing)
{
    // No suffix: Qt asks the plugins by content, and the content says SCREEN 2.
    const std::string dump = screen2Dump();
    QImageReader screen2(qpath(write("TITLE", dump)));
    EXPECT_EQ(screen2.format(), "msx");
    EXPECT_EQ(screen2.size(), QSize(256, 192));
    EXPECT_TRUE(samePixels(screen2.read(), coreDecode(dump, 2)));

    // A bitmap dump too long for the pattern modes: SCREEN 5 by default.
    const std::string bitmap = screen5Lines(212, '\x37');
    EXPECT_TRUE(samePixels(QImage(qpath(write("PICTURE", bitmap))), coreDecode(bitmap, 5)));

    // A name that asks for a mode the data plainly does not fit: the same
    // SCREEN 2 dump named as SCREEN 12 is still SCREEN 2.
    EXPECT_TRUE(samePixels(QImage(qpath(write("WRONG.S12", dump))), coreDecode(dump, 2)));
}

TEST_F(ImagePlugin, TakesTheModeFromTheAskedFormatOnADeviceWithoutName)
{
    // 6 KB of patterns only: the content leaves the mode open, the format decides.
    const std::string patterns = quillet::gen::bsaveFile(0, std::string(0x1800, '\x5A'));
    QByteArray bytes = qbytes(patterns);
    QBuffer asScreen2(&bytes);
    asScreen2.open(QIODevice::ReadOnly);
    QImageReader screen2(&asScreen2, "sc2");
    EXPECT_TRUE(samePixels(screen2.read(), coreDecode(patterns, 2)));

    QBuffer asScreen8(&bytes);
    asScreen8.open(QIODevice::ReadOnly);
    QImageReader screen8(&asScreen8, "SC8");
    EXPECT_TRUE(samePixels(screen8.read(), coreDecode(patterns, 8)));
}

TEST_F(ImagePlugin, UsesAPaletteFileAndAnInterlacedPartnerBesideTheFile)
{
    // A paint program's SCREEN 5 picture without a palette, and its palette
    // file with colour 3 made pure red (0RRR0BBB 00000GGG).
    const std::string picture = screen5Lines(212, '\x33');
    const fs::path path = write("DRAWING.SR5", picture);
    std::string paletteTable(32, '\0');
    paletteTable[6] = '\x70';
    write("DRAWING.PL5", paletteTable);
    PictureOptions withPalette;
    withPalette.paletteTable.emplace();
    std::copy(paletteTable.begin(), paletteTable.end(), withPalette.paletteTable->begin());
    const QImage painted(qpath(path));
    EXPECT_TRUE(samePixels(painted, coreDecode(picture, 5, withPalette)));
    EXPECT_EQ(painted.pixel(0, 0), qRgb(255, 0, 0));

    // Two pages as two files: one picture of 424 lines, page 0 on the even ones.
    const std::string page0 = screen5Lines(212, '\x11');
    const std::string page1 = screen5Lines(212, '\x22');
    write("PAIR.S05", page0);
    const fs::path second = write("PAIR.S15", page1);
    PictureOptions interlaced;
    interlaced.interlace = true;
    const QImage joined(qpath(second));
    EXPECT_TRUE(samePixels(joined, coreDecode(page0, 5, interlaced, page1)));
    EXPECT_NE(joined.pixel(0, 0), joined.pixel(0, 1));
}

TEST_F(ImagePlugin, LeavesFilesThatAreNoMsxPictureToOthers)
{
    // A PNG under a picture's name is still read, by Qt's PNG reader.
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    const fs::path png = scratch_ / "disguised.sc5";
    ASSERT_TRUE(red.save(qpath(png), "png"));
    QImageReader disguised(qpath(png));
    EXPECT_EQ(disguised.format(), "png");
    EXPECT_EQ(disguised.read().size(), QSize(4, 3));

    // Refused cleanly: no header, a header cut short, a header saved
    // backwards, other bytes, an empty file. Named as pictures, so the
    // plugin is asked first.
    const std::pair<const char*, const char*> refused[] = {
        {"text.sc5", "31 30 20 50 52 49 4E 54"},         // "10 PRINT"
        {"cut.sc2", "FE 00 00 FF"},                      // four of the seven header bytes
        {"backwards.sc7", "FE 00 80 FF 00 00 00 11 22"}, // start 0x8000, end 0x00FF
        {"program.sc5", "FF 0B 80 0A 00 91 00 00 00"},   // a tokenized program
        {"empty.sc5", ""},
    };
    for (const auto& [name, hex] : refused) {
        SCOPED_TRACE(name);
        QImageReader reader(qpath(write(name, hexBytes(hex))));
        EXPECT_FALSE(reader.canRead());
        EXPECT_TRUE(reader.read().isNull());
        // Asked for explicitly, the plugin's handler says no as well.
        QImageReader forced(qpath(scratch_ / name), "sc5");
        EXPECT_TRUE(forced.read().isNull());
    }
    // Machine code whose addresses would fit a screen's tables is read as
    // nothing, as the viewer shows it as bytes.
    QImageReader machineCode(qpath(write("game.bin", hexBytes("FE 00 C0 02 C0 00 C0 C9 00 C9"))), "sc5");
    EXPECT_TRUE(machineCode.read().isNull());
}

TEST_F(ImagePlugin, SaysMineOnlyForContentItDecodes)
{
    // What callers that trust capabilities() without asking the handler
    // again rely on: a name alone never makes a file ours.
    QPluginLoader loader(QStringLiteral(QUILLET_PLUGIN_FILE));
    auto* plugin = qobject_cast<QImageIOPlugin*>(loader.instance());
    ASSERT_NE(plugin, nullptr) << loader.errorString().toStdString();
    QByteArray other = qbytes(hexBytes("89 50 4E 47 0D 0A 1A 0A 00 00 00 0D"));
    QBuffer otherDevice(&other);
    otherDevice.open(QIODevice::ReadOnly);
    EXPECT_FALSE(plugin->capabilities(&otherDevice, "sc5") & QImageIOPlugin::CanRead);
    EXPECT_FALSE(plugin->capabilities(&otherDevice, QByteArray()) & QImageIOPlugin::CanRead);

    QByteArray picture = qbytes(screen5Lines(2, '\x11'));
    QBuffer pictureDevice(&picture);
    pictureDevice.open(QIODevice::ReadOnly);
    EXPECT_TRUE(plugin->capabilities(&pictureDevice, "sc5") & QImageIOPlugin::CanRead);
    EXPECT_TRUE(plugin->capabilities(&pictureDevice, QByteArray()) & QImageIOPlugin::CanRead);
    EXPECT_FALSE(plugin->capabilities(&pictureDevice, "png") & QImageIOPlugin::CanRead);
    EXPECT_EQ(pictureDevice.pos(), 0); // peeked at, not read

    // A dump of high memory is a picture only under a picture's name, as
    // the viewer tells it; claimed, it is also read.
    const std::string palette = hexBytes("FE 80 FA 9F FA 00 00") + std::string(32, '\x77');
    for (const auto& [format, name, claimed] :
         {std::tuple{"sc7", "", true}, {"", "", false}, {"", "PAL.SC7", true}, {"", "PAL", false}}) {
        SCOPED_TRACE(std::string(format) + " " + name);
        QByteArray bytes = qbytes(palette);
        QBuffer buffer(&bytes);
        QFile file(*name ? qpath(write(name, palette)) : QString());
        QIODevice& device = *name ? static_cast<QIODevice&>(file) : buffer;
        ASSERT_TRUE(device.open(QIODevice::ReadOnly));
        EXPECT_EQ(bool(plugin->capabilities(&device, format) & QImageIOPlugin::CanRead), claimed);
        EXPECT_EQ(QImageReader(&device, *format ? QByteArray(format) : QByteArray()).read().isNull(), !claimed);
    }
    // Asked about formats alone: reading only.
    EXPECT_EQ(plugin->capabilities(nullptr, "sr7"), QImageIOPlugin::Capabilities(QImageIOPlugin::CanRead));
    EXPECT_FALSE(plugin->capabilities(nullptr, "png"));
}

TEST_F(ImagePlugin, DecodesWhatIsThereOfShortAndLongFiles)
{
    // A header alone is a black picture, as in the viewer.
    const QImage headerOnly(qpath(write("BLANK.SC5", hexBytes("FE 00 00 00 00 00 00"))));
    ASSERT_EQ(headerOnly.size(), QSize(256, 212));
    EXPECT_EQ(headerOnly.pixel(255, 211), qRgb(0, 0, 0));

    // Every length of a SCREEN 2 dump cut short decodes as the core does.
    const std::string dump = screen2Dump();
    for (std::size_t length = 7; length <= dump.size(); length += 1021) {
        const std::string cut = dump.substr(0, length);
        EXPECT_TRUE(samePixels(QImage(qpath(write("CUT.SC2", cut))), coreDecode(cut, 2))) << length;
    }

    // A file far longer than video memory is no dump of it: refused, with
    // no more read than a load could use.
    std::string huge = screen5Lines(511, '\x45');
    huge.resize(512 * 1024, '\x45');
    QByteArray bytes = qbytes(huge);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "sc5");
    EXPECT_TRUE(reader.read().isNull());
    EXPECT_LE(buffer.pos(), static_cast<qint64>(quillet::PictureReadLimit));
}

TEST_F(ImagePlugin, ClaimsOnlyFilesWhoseHeaderAndLengthFitAScreenLayout)
{
    using quillet::gen::bsaveFile;
    // A header of its own, and `data` bytes of 0x55 after it.
    const auto file = [](const char* header, std::size_t data) { return hexBytes(header) + std::string(data, 'U'); };
    struct Row {
        std::string what;
        std::string bytes;
        bool claimed;
    };
    std::vector<Row> rows = {
        {"BSAVE of a whole SCREEN 5 page", bsaveFile(0, std::string(0x8000, 'U')), true},
        {"BSAVE of SCREEN 2's pattern table alone", bsaveFile(0, std::string(0x1800, 'U')), true},
        {"BSAVE of an odd range from 0", bsaveFile(0, std::string(0x1235, 'U')), true},
        {"BSAVE of the SCREEN 7 palette alone", bsaveFile(0xFA80, std::string(32, 'U')), true},
        {"BSAVE of SCREEN 4's name table", bsaveFile(0x1800, std::string(768, 'U')), true},
        {"a paint program's header: the size as end", file("FE 00 00 00 6A 00 00", 0x6A00), true},
        {"a header alone naming one byte", file("FE 00 00 00 00 00 00", 0), true},
        {"a SCREEN 8 dump cut short", file("FE 00 00 FF D3 00 00", 1000), true},
        {"a header alone naming a table", file("FE 00 00 FF 1F 00 00", 0), true},
        {"padded by less than a sector", file("FE 00 00 FF 5F 00 00", 0x6000 + 511), true},
        {"both SCREEN 7 pages in one file", file("FE 00 00 FF FF 00 00", 0x1D400), true},
        // Real headers with a length that fits no layout.
        {"SCREEN 5 page and 40 KB", file("FE 00 00 9F 76 00 00", 40 * 1024), false},
        {"the palette and a sector more", file("FE 80 76 9F 76 00 00", 32 + 513), false},
        {"SCREEN 2 and 600 bytes more", file("FE 00 00 FF 3F 00 00", 0x4000 + 600), false},
        {"more than video memory", file("FE 00 00 FF D3 00 00", 0x20001), false},
        {"cut short at an end no table has", file("FE 00 00 34 12 00 00", 100), false},
        {"a whole dump from mid-line", bsaveFile(0x0040, std::string(0x1000, 'U')), false},
        {"the end before the start", file("FE 00 80 FF 00 00 00", 0x7F00), false},
    };
    // Random headers and lengths, as any file that starts with 0xFE.
    std::mt19937 random(25);
    for (int i = 0; i < 200; ++i) {
        std::string bytes(7 + random() % (i < 100 ? 300 : 70000), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        bytes[0] = '\xFE';
        rows.push_back({"random file " + std::to_string(i), bytes, false});
    }

    QPluginLoader loader(QStringLiteral(QUILLET_PLUGIN_FILE));
    auto* plugin = qobject_cast<QImageIOPlugin*>(loader.instance());
    ASSERT_NE(plugin, nullptr) << loader.errorString().toStdString();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(quillet::looksLikePicture(row.bytes), row.claimed);
        QByteArray bytes = qbytes(row.bytes);
        QBuffer device(&bytes);
        device.open(QIODevice::ReadOnly);
        EXPECT_EQ(bool(plugin->capabilities(&device, "sc7") & QImageIOPlugin::CanRead), row.claimed);
        if (row.claimed)
            EXPECT_FALSE(QImageReader(&device, "sc7").read().isNull());
    }
}

TEST_F(ImagePlugin, ClaimsEveryRealPicture)
{
    const auto expectClaimed = [](const fs::path& path) {
        SCOPED_TRACE(path.filename().string());
        EXPECT_TRUE(quillet::looksLikePicture(quillet::test::readFile(path)));
        QImageReader reader(qpath(path));
        EXPECT_TRUE(reader.canRead());
        EXPECT_FALSE(reader.read().isNull());
    };
    expectClaimed(quillet::test::samplePath("sample.sc5"));
    expectClaimed(quillet::test::samplePath("sample.s12"));
    const fs::path corpus = quillet::test::corpusDir();
    if (corpus.empty() || !fs::is_directory(corpus / "img"))
        GTEST_SKIP() << "no shared corpus beside the checkout";
    int count = 0;
    for (const auto& entry : fs::directory_iterator(corpus / "img")) {
        expectClaimed(entry.path());
        ++count;
    }
    EXPECT_GE(count, 30);
}
