// SPDX-License-Identifier: MIT
// How a desktop classifies files with the MIME rules that the install puts
// in share/mime/packages, seen through Qt's MIME database (the engine of Qt
// file dialogs and KDE file managers; GNOME's follows the same order: a
// unique name match first, content when the name says nothing or is shared).
// The database holds the system's freedesktop.org.xml together with ours, as
// a system install merges them, so the rules meet the real competition:
// JPEG, MPEG audio, UTF-16 text, PGP armour, text/plain.

#include "support/TestSupport.h"

#include <QByteArray>
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using quillet::test::hexBytes;
using quillet::test::ScratchDir;
using quillet::test::writeFile;

namespace {

const char* const TokenizedProgram = R"(
    FF          # tokenized program
    0B 80       # link to the next line, 0x800B
    0A 00       # line 10
    91 20 22 48 49 22 00   # PRINT "HI"
    00 00       # end of program
)";

const char* const ScreenDump = R"(
    FE          # BSAVE
    00 00       # start address 0
    FF 69       # end address
    00 00       # execution address 0
    11 22 33 44 # pixels
)";

std::string mimeOf(const fs::path& path)
{
    return QMimeDatabase().mimeTypeForFile(QString::fromStdString(path.string())).name().toStdString();
}

} // namespace

class MimeRules : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Built by the test's CMake rules from the system's types and ours.
        const fs::path mimeDir = QUILLET_TEST_MIME_DIR;
        if (!fs::exists(mimeDir / "mime.cache")) {
            skipReason_ = "no MIME database was built (needs shared-mime-info)";
            return;
        }
        scratch_ = std::make_unique<ScratchDir>();
        fs::create_directories(*scratch_ / "home");
        fs::create_directories(*scratch_ / "files");
        // Only that database, no user or system additions; set before the
        // first use of QMimeDatabase in this program.
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(mimeDir.parent_path().string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((*scratch_ / "home").string()));
    }

    static void TearDownTestSuite() { scratch_.reset(); }

    void SetUp() override
    {
        if (!skipReason_.empty())
            GTEST_SKIP() << skipReason_;
    }

    // The type of a file with this name and these bytes.
    static std::string typeOf(const std::string& name, const std::string& bytes)
    {
        const fs::path path = *scratch_ / "files" / name;
        writeFile(path, bytes);
        return mimeOf(path);
    }

    static inline std::unique_ptr<ScratchDir> scratch_;
    static inline std::string skipReason_;
};

TEST_F(MimeRules, TokenizedProgramsAreKnownByContentAndByName)
{
    const std::string program = hexBytes(TokenizedProgram);
    EXPECT_EQ(typeOf("GAME", program), "application/x-msx-basic");
    EXPECT_EQ(typeOf("game.dat", program), "application/x-msx-basic");
    EXPECT_EQ(typeOf("GAME.BAS", program), "application/x-msx-basic");
    EXPECT_EQ(typeOf("game.bas", program), "application/x-msx-basic");
    // Text area of a 16 KB machine (link 0xC00B): only the first byte speaks.
    EXPECT_EQ(typeOf("small.dat", hexBytes("FF 0B C0 0A 00 91 00 00 00")), "application/x-msx-basic");
    // A program with nothing in it.
    EXPECT_EQ(typeOf("EMPTY", hexBytes("FF 00 00")), "application/x-msx-basic");
}

TEST_F(MimeRules, ScreenImagesAreKnownByContentAndByName)
{
    const std::string dump = hexBytes(ScreenDump);
    EXPECT_EQ(typeOf("TITLE", dump), "image/x-msx-bsave");
    EXPECT_EQ(typeOf("title.dat", dump), "image/x-msx-bsave");
    for (const char* name : {"A.SC5", "a.sc6", "A.SC7", "a.sc8", "A.SCA", "A.SCB", "a.scc", "A.S10", "a.s11", "A.S12"})
        EXPECT_EQ(typeOf(name, dump), "image/x-msx-bsave") << name;
    // Saved from the palette table on: start address 0x7680.
    EXPECT_EQ(typeOf("palette.dat", hexBytes("FE 80 76 9F 76 80 76 00 00 11 06")), "image/x-msx-bsave");
}

TEST_F(MimeRules, PatternScreensPaintProgramsAndPagesAreScreenImages)
{
    const std::string dump = hexBytes(ScreenDump);
    for (const char* name : {"A.SC1", "a.sc2", "A.SC3", "a.sc4", "PAIR.S05", "pair.s15", "PAIR.S0C", "pair.s1a"})
        EXPECT_EQ(typeOf(name, dump), "image/x-msx-bsave") << name;
    for (const char* name : {"A.SR5", "a.sr7", "A.SR8", "a.srs", "A.GE5", "a.ge7"})
        EXPECT_EQ(typeOf(name, dump), "image/x-msx-paint") << name;
    // What opens a screen image opens a paint program's picture.
    EXPECT_TRUE(QMimeDatabase().mimeTypeForName("image/x-msx-paint").inherits("image/x-msx-bsave"));
}

TEST_F(MimeRules, DiskAndCassetteImagesAreKnownByContentAndByName)
{
    // A 720 KB disk's boot sector (512-byte sectors) and the start of its FAT.
    std::string disk = hexBytes("EB FE 90 4D 53 58 5F 30 32 20 20 00 02 02 01 00 02 70 00 A0 05 F9 03 00");
    disk.resize(512, '\0');
    disk += hexBytes("F9 FF FF");
    disk.resize(2048, '\0');
    EXPECT_EQ(typeOf("disk.dat", disk), "application/x-msx-disk-image");
    EXPECT_EQ(typeOf("DISK", disk), "application/x-msx-disk-image");
    for (const char* name : {"GAME.DSK", "game.di1", "GAME.DI2"})
        EXPECT_EQ(typeOf(name, disk), "application/x-msx-disk-image") << name;

    // A block header, then a BASIC program's type block.
    const std::string tape = hexBytes("1F A6 DE BA CC 13 7D 74  D3 D3 D3 D3 D3 D3 D3 D3 D3 D3  47 41 4D 45 20 20");
    EXPECT_EQ(typeOf("tape.dat", tape), "application/x-msx-cassette-image");
    EXPECT_EQ(typeOf("TAPE", tape), "application/x-msx-cassette-image");
    EXPECT_EQ(typeOf("GAME.CAS", tape), "application/x-msx-cassette-image");
    // Seven of the eight bytes are not a cassette.
    EXPECT_NE(typeOf("almost.dat", hexBytes("1F A6 DE BA CC 13 7D 75 D3 D3")), "application/x-msx-cassette-image");
}

TEST_F(MimeRules, PlainListingsAreTextThatTheContentTellsApart)
{
    const std::string crlf = "10 SCREEN 5\r\n20 PRINT \"HI\"\r\n";
    EXPECT_EQ(typeOf("GAME.ASC", crlf), "text/x-msx-basic");
    EXPECT_EQ(typeOf("game.asc", crlf), "text/x-msx-basic");
    EXPECT_EQ(typeOf("LISTING", crlf), "text/x-msx-basic");
    // *.bas is shared with the tokenized type; text content decides.
    EXPECT_EQ(typeOf("game.bas", crlf), "text/x-msx-basic");
    EXPECT_EQ(typeOf("unix.bas", "100 COLOR 15,1,1\n110 END\n"), "text/x-msx-basic");
    // Text editors are offered listings too.
    EXPECT_TRUE(QMimeDatabase().mimeTypeForName("text/x-msx-basic").inherits("text/plain"));
}

TEST_F(MimeRules, OtherFilesKeepTheirTypes)
{
    EXPECT_EQ(typeOf("photo.dat", hexBytes("FF D8 FF E0 00 10 4A 46 49 46 00 01")), "image/jpeg");
    EXPECT_EQ(typeOf("track", hexBytes("FF FB 80 44 00 00 00 00")), "audio/mpeg");
    EXPECT_EQ(typeOf("track2", hexBytes("FF FB 90 64 00 00 00 00")), "audio/mpeg");
    // UTF-16 text with its byte order mark, little and big endian.
    EXPECT_NE(typeOf("notes-le.dat", hexBytes("FF FE 68 00 69 00 0D 00 0A 00")), "application/x-msx-basic");
    EXPECT_NE(typeOf("notes-be.dat", hexBytes("FE FF 00 68 00 69 00 0D 00 0A")), "image/x-msx-bsave");
    // *.asc is also PGP armour and plain text.
    EXPECT_EQ(typeOf("release.tar.gz.asc", "-----BEGIN PGP SIGNATURE-----\n\niQEz\n-----END PGP SIGNATURE-----\n"),
              "application/pgp-signature");
    EXPECT_EQ(typeOf("notes.asc", "shopping list\nmilk\n"), "text/plain");
    // A text file that merely starts with a number.
    EXPECT_EQ(typeOf("todo.txt", "1 thing to do\r\n"), "text/plain");
    // A PC floppy image keeps its own name's type.
    std::string floppy = hexBytes("EB 3C 90 4D 53 44 4F 53 35 2E 30 00 02 01 01 00 02 E0 00 40 0B F0 09 00");
    floppy.resize(512, '\0');
    floppy += hexBytes("F0 FF FF");
    EXPECT_EQ(typeOf("floppy.img", floppy), "application/x-raw-disk-image");
}

TEST_F(MimeRules, RealProgramsAndPicturesGetTheProjectTypes)
{
    const fs::path corpus = quillet::test::corpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    const std::pair<const char*, const char*> folders[] = {
        {"bas", "application/x-msx-basic"}, {"img", "image/x-msx-bsave"}, {"bas-source", "text/x-msx-basic"}};
    int seen = 0;
    for (const auto& [folder, expected] : folders) {
        if (!fs::is_directory(corpus / folder))
            continue;
        for (const auto& entry : fs::directory_iterator(corpus / folder)) {
            EXPECT_EQ(mimeOf(entry.path()), expected) << entry.path();
            ++seen;
        }
    }
    EXPECT_GT(seen, 0);
}
