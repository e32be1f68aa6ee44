// SPDX-License-Identifier: MIT
// The door every program opens names through, and the picture road: what a
// file or member path opens to, and how the files beside a picture are
// reached through the program's own access.

#include "common/Errors.h"
#include "container/Container.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "support/ArchiveBuilder.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"
#include "tools/PictureGen.h"

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

using namespace quillet;
using namespace quillet::test;
using quillet::gen::bsaveFile;

namespace {

std::string restOf(Opened& opened)
{
    std::string bytes;
    for (auto chunk = opened.rest().nextChunk(); !chunk.empty(); chunk = opened.rest().nextChunk())
        bytes.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
    return bytes;
}

// Files on disk, but every read of a file beside a picture is counted and
// fails as an unreadable file does.
struct UnreadableBeside : FileAccess {
    DiskFiles disk{DiskFiles::Rule::RegularOnly};
    mutable int asked = 0;
    bool isFile(const std::string& path) const override { return disk.isFile(path); }
    FilePtr open(const std::string& path) const override { return disk.open(path); }
    std::optional<std::string> readBeside(const std::string& path, std::size_t) const override
    {
        ++asked;
        throw QuilletError(ErrorKind::PermissionDenied, path);
    }
};

} // namespace

TEST(Door, OpensFilesAndMembersAsContainersOrDocuments)
{
    ScratchDir dir;
    const std::string program = readFile(samplePath("sample.bas"));
    const std::string picture = readFile(samplePath("sample.sc5"));
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFolder("", "DIR");
    disk.addFile("DIR", "TITLE.SC5", picture);
    writeFile(dir / "games.zip", zipOf({{"disk1.dsk", disk.bytes()}}));
    writeFile(dir / "GAME.BAS", program);
    writeFile(dir / "TITLE.SC5", picture);
    writeFile(dir / "empty", "");
    const DiskFiles files(DiskFiles::Rule::RegularOnly);

    struct Case {
        std::string name;
        std::optional<ContainerKind> container;
        DocumentKind kind;
        std::string_view mimeType;
        std::size_t members;
        std::string bytes; // of a document, its first byte included
    };
    const std::string zip = (dir / "games.zip").string();
    const Case cases[] = {
        {(dir / "GAME.BAS").string(), {}, DocumentKind::TokenizedBasic, "application/x-msx-basic", 0, program},
        {(dir / "TITLE.SC5").string(), {}, DocumentKind::BsaveImage, "image/x-msx-bsave", 0, picture},
        {(dir / "empty").string(), {}, DocumentKind::AsciiText, "text/plain", 0, ""},
        {zip, ContainerKind::Zip, {}, "application/zip", 0, {}},
        {zip + "::disk1.dsk", ContainerKind::DiskImage, {}, "application/zip", 1, {}},
        {zip + "::disk1.dsk::dir/title.sc5", {}, DocumentKind::BsaveImage, "application/zip", 2, picture},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Opened opened = openName(c.name, files);
        EXPECT_EQ(opened.name(), c.name);
        EXPECT_EQ(opened.where().members.size(), c.members);
        EXPECT_EQ(opened.where().text(), c.name);
        EXPECT_EQ(opened.mimeType(), c.mimeType) << "what the desktop knows the file on disk as";
        EXPECT_EQ(opened.containerKind(), c.container);
        if (c.container) {
            EXPECT_FALSE(opened.openContainer()->members().empty());
            EXPECT_THROW(requireDocument(openName(c.name, files)), QuilletError);
            continue;
        }
        EXPECT_EQ(opened.head().kind, c.kind);
        // Only a file of its own streams, and only it has files beside it.
        EXPECT_EQ(opened.stream() != nullptr, c.members == 0);
        EXPECT_EQ(opened.beside() != nullptr, c.members == 0);
        EXPECT_EQ(c.bytes.empty() ? "" : c.bytes.substr(1), restOf(opened));
    }

    const std::pair<std::string, ErrorKind> failures[] = {
        {(dir / "missing.dsk").string() + "::GAME.BAS", ErrorKind::FileNotFound},
        {zip + "::nothing.dsk", ErrorKind::UnknownMember},
        {(dir / "GAME.BAS").string() + "::X", ErrorKind::NotAContainer},
        {dir.path().string(), ErrorKind::NotRegularFile},
    };
    for (const auto& [name, kind] : failures) {
        try {
            openName(name, files);
            ADD_FAILURE() << name << " opened";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), kind) << name << ": " << error.what();
        }
    }
}

TEST(Door, TurnsFileUrisIntoTheLocalNamesTheyStandFor)
{
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    struct Case {
        std::string given;
        std::string local; // empty: refused
        ErrorKind refused = ErrorKind::NotLocalFile;
    };
    const Case cases[] = {
        // No URI: as given, escapes and colons included.
        {"/home/me/GAME.BAS", "/home/me/GAME.BAS"},
        {"A%20B.BAS", "A%20B.BAS"},
        {"games.dsk::DIR/A.BAS", "games.dsk::DIR/A.BAS"},
        {"notes:1.bas", "notes:1.bas"},
        {"file:GAME.BAS", "file:GAME.BAS"},
        {"-", "-"},
        // This machine's files, with the member path after the file.
        {"file:///home/me/GAME.BAS", "/home/me/GAME.BAS"},
        {"FILE:///x", "/x"},
        {"file:/home/me/x.bas", "/home/me/x.bas"},
        {"file://localhost/home/me/a%20b.bas", "/home/me/a b.bas"},
        {"file://LocalHost/x", "/x"},
        {std::string("file://") + host + "/x", "/x"},
        {"file:///x/%E4%B8%89%7e%7E.bas", "/x/\xE4\xB8\x89~~.bas"},
        {"file:///x/100%25.bas", "/x/100%.bas"},
        {"file:///x/disk%201.dsk::DIR/GAME.BAS", "/x/disk 1.dsk::DIR/GAME.BAS"},
        {"file:///x/a b.bas", "/x/a b.bas"},
        // Another machine's, or no file at all.
        {"file://server/x.bas", ""},
        {"http://example.org/GAME.BAS", ""},
        {"smb://nas/share/GAME.BAS", ""},
        {"sftp://me@host/x.dsk::A.BAS", ""},
        // File URIs no file name can come from.
        {"file:///x/a%2Fb.bas", "", ErrorKind::BadFileUri},
        {"file:///x/a%2fb.bas", "", ErrorKind::BadFileUri},
        {"file:///x/a%00b", "", ErrorKind::BadFileUri},
        {"file:///x/100%.bas", "", ErrorKind::BadFileUri},
        {"file:///x/a%4", "", ErrorKind::BadFileUri},
        {"file:///x/a%G0", "", ErrorKind::BadFileUri},
        {"file:///x/a.bas#top", "", ErrorKind::BadFileUri},
        {"file:///x/a.bas?raw", "", ErrorKind::BadFileUri},
        {"file://localhost", "", ErrorKind::BadFileUri},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        if (!c.local.empty()) {
            EXPECT_EQ(localName(c.given), c.local);
            continue;
        }
        try {
            localName(c.given);
            ADD_FAILURE() << "taken";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), c.refused);
            EXPECT_EQ(error.detail(), c.given) << "the message names what was refused";
        }
    }
}

TEST(PictureRoad, ReachesTheFilesBesideThroughTheProgramsAccess)
{
    ScratchDir dir;
    // Black lines and a palette file that would make colour 0 white.
    const std::string picture = bsaveFile(0, std::string(128 * 212, '\0'));
    const std::string palette = bsaveFile(0x7680, std::string(32, '\x77'));
    writeFile(dir / "ART.SR5", picture);
    writeFile(dir / "ART.PL5", palette);
    const UnreadableBeside access;
    auto converter = std::make_unique<BsaveConverter>();

    PictureRequest lenient;
    const DiskFiles disk(DiskFiles::Rule::RegularOnly);
    Opened readable = openName((dir / "ART.SR5").string(), disk);
    EXPECT_EQ(readPicture(readable, lenient, *converter).pixel(0, 0), (Rgb{255, 255, 255})) << "the palette file";
    Opened opened = openName((dir / "ART.SR5").string(), access);
    EXPECT_EQ(readPicture(opened, lenient, *converter).pixel(0, 0), (Rgb{0, 0, 0})) << "left out";
    EXPECT_EQ(access.asked, 2) << "both spellings of the palette file's name";

    // What could not be read is told with its cause, for each name tried.
    Opened again = openName((dir / "ART.SR5").string(), access);
    const PictureFile file(again);
    const std::vector<LeftOutCompanion> leftOut = file.decode(5, lenient, *converter).leftOut;
    ASSERT_EQ(leftOut.size(), 2u);
    EXPECT_EQ(leftOut[0],
              (LeftOutCompanion{(dir / "ART.PL5").string(), CompanionFault::Unreadable, ErrorKind::PermissionDenied}));
    EXPECT_EQ(access.asked, 4);

    // Bytes handed over without a folder have nothing beside them.
    Opened handed = openBytes((dir / "ART.SR5").string(), picture);
    readPicture(handed, lenient, *converter);
    EXPECT_EQ(access.asked, 4);

    // A document that is no picture is named by its first byte.
    for (const auto& [bytes, cause] :
         {std::pair<std::string, std::string>{"10 END", "first byte 0x31"}, {"", "the file is empty"}}) {
        Opened text = openBytes("TEXT.SC5", bytes);
        try {
            PictureFile{text};
            ADD_FAILURE() << cause;
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::NotAPicture);
            EXPECT_EQ(error.detail(), cause);
        }
    }
}
