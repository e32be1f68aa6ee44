// SPDX-License-Identifier: MIT
// Cassette images written out as annotated hex: each block after its header
// at an offset divisible by 8, files as a type block and their data blocks.

#include "common/Errors.h"
#include "container/Container.h"
#include "document/Document.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr std::string_view Header = "1F A6 DE BA CC 13 7D 74 ";
constexpr std::string_view Csave = "D3 D3 D3 D3 D3 D3 D3 D3 D3 D3 ";
constexpr std::string_view Save = "EA EA EA EA EA EA EA EA EA EA ";
constexpr std::string_view Bsave = "D0 D0 D0 D0 D0 D0 D0 D0 D0 D0 ";

std::string tape(std::string_view annotated)
{
    std::string text(annotated);
    // <H> for a block header, <C>, <S>, <B> for the ten type bytes.
    for (auto [mark, hex] : {std::pair{"<H>", Header}, {"<C>", Csave}, {"<S>", Save}, {"<B>", Bsave}}) {
        for (std::size_t at; (at = text.find(mark)) != std::string::npos;)
            text.replace(at, 3, hex);
    }
    return hexBytes(text);
}

// A program as a disk file holds it, first byte 0xFF.
const std::string Program = hexBytes(R"(
    FF 09 80 0A 00 91 20 22 48 49 22 00   # 10 PRINT "HI"
    00 00                                 # end of program
)");

std::string sampleTape()
{
    return tape(R"(
    <H> <C> 47 41 4D 45 20 20             # CSAVE "GAME"
    <H>   09 80 0A 00 91 20 22 48 49 22 00 00 00  00 00 00  # the program without its 0xFF, 3 bytes padding
    <H> <S> 48 45 4C 4C 4F 20             # SAVE "HELLO"
    <H>   31 30 20 52 45 4D 0D 0A       # 10 REM CR LF
    <H>   32 30 20 45 4E 44 0D 0A       # 20 END CR LF
    <H>   1A 1A 1A 1A 1A 1A 1A 1A       # the end mark, then more of them
    <H> <B> 50 49 43 20 20 20             # BSAVE "PIC"
    <H>   00 00 03 00 00 00             # start 0, end 3, run at 0
         11 22 33 44 00 00 00 00 00 00 # the 4 bytes and padding
    <H>   46 52 45 45 20 44 41 54 41 0D 0A 00 00 00 00 00 # a block no file header owns
)");
}

std::vector<std::string> paths(const Container& tape)
{
    std::vector<std::string> out;
    for (const MemberInfo& info : tape.members())
        out.push_back(info.path);
    return out;
}

} // namespace

TEST(CassetteImage, FilesOfEachTypeBecomeFilesOfTheirOwn)
{
    const auto cas = openContainer(sampleTape(), "tape.cas");
    EXPECT_EQ(cas->kind(), ContainerKind::CassetteImage);
    EXPECT_TRUE(cas->problems().empty());
    ASSERT_EQ(paths(*cas), (std::vector<std::string>{"GAME", "HELLO", "PIC", "BLOCK-009"}));

    // CSAVE: the block with the 0xFF added; its padding lies past the program's end.
    const std::string game = cas->read(0);
    EXPECT_EQ(game.substr(0, Program.size()), Program);
    EXPECT_EQ(cas->members()[0].kind, MemberKind::Basic);
    MemorySource source(game);
    const DocumentHead head = readDocumentHead(source, "GAME");
    StringSink listing;
    EXPECT_EQ(writeListing(head, source, listing, {}), ProgramEnd::Complete);
    EXPECT_EQ(listing.str(), "10 PRINT \"HI\"\r\n");

    // SAVE: the text blocks up to the first 0x1A.
    EXPECT_EQ(cas->read(1), "10 REM\r\n20 END\r\n");
    EXPECT_EQ(cas->members()[1].kind, MemberKind::Text);
    EXPECT_EQ(cas->members()[1].size, 16u);

    // BSAVE: the 0xFE header, the addresses and exactly start to end.
    EXPECT_EQ(cas->read(2), hexBytes("FE 00 00 03 00 00 00 11 22 33 44"));
    EXPECT_EQ(cas->members()[2].kind, MemberKind::Bsave);

    // The stray block as it is, its kind told by its bytes.
    EXPECT_EQ(cas->read(3), hexBytes("46 52 45 45 20 44 41 54 41 0D 0A 00 00 00 00 00"));
    EXPECT_EQ(cas->members()[3].kind, MemberKind::Other);
    for (const MemberInfo& info : cas->members()) {
        EXPECT_EQ(info.status, MemberStatus::Ok) << info.path;
        EXPECT_FALSE(info.date) << "a tape keeps no dates";
    }
}

TEST(CassetteImage, MachineCodeIsToldFromPictures)
{
    const auto cas = openContainer(tape(R"(
    <H> <B> 47 41 4D 45 20 20             # BSAVE "GAME"
    <H>   00 C0 02 C0 00 C0  C9 00 C9  00 00 00 00 00 00 00  # C000 to C002, run at C000; padding
    <H> <B> 50 49 43 20 20 20             # BSAVE "PIC"
    <H>   00 00 03 00 00 00  11 22 33 44  00 00 00 00 00 00  # start 0, end 3; padding
)"),
                                   "tape.cas");
    ASSERT_EQ(paths(*cas), (std::vector<std::string>{"GAME", "PIC"}));
    EXPECT_EQ(cas->members()[0].kind, MemberKind::BsaveBinary);
    EXPECT_EQ(cas->members()[1].kind, MemberKind::Bsave);
}

TEST(CassetteImage, NamesRepeatedOnATapeStayApart)
{
    const auto cas = openContainer(tape(R"(
        <H> <C> 47 41 4D 45 20 20             # CSAVE "GAME"
        <H>   00 00 00 00 00 00 00 00       # an empty program
        <H> <C> 47 41 4D 45 20 20             # CSAVE "GAME" again
        <H>   00 00 00 00 00 00 00 00
        <H> <C> 20 20 20 20 20 20             # CSAVE ""
        <H>   00 00 00 00 00 00 00 00
    )"),
                                   "x");
    EXPECT_EQ(paths(*cas), (std::vector<std::string>{"GAME", "GAME~2", "NONAME"}));
    EXPECT_EQ(cas->find("game"), std::optional<std::size_t>(0));
    EXPECT_EQ(cas->find("Game~2"), std::optional<std::size_t>(1));
}

TEST(CassetteImage, HeaderBytesOffTheEightByteGridAreData)
{
    const auto cas = openContainer(tape(R"(
        <H> <S> 54 45 58 54 20 20             # SAVE "TEXT"
        <H>   41 42 43 44                   # ABCD
             1F A6 DE BA CC 13 7D 74       # at offset 36: no header
             45 46 1A 00                   # EF, the end
    )"),
                                   "x");
    ASSERT_EQ(paths(*cas), std::vector<std::string>{"TEXT"});
    EXPECT_EQ(cas->read(0), hexBytes("41 42 43 44 1F A6 DE BA CC 13 7D 74 45 46"));
}

TEST(CassetteImageDamage, FilesCutShortAreMarkedAndTheRestRead)
{
    const auto cas = openContainer(tape(R"(
        <H> <S> 4E 4F 45 4E 44 20             # SAVE "NOEND": text with no 0x1A
        <H>   31 30 20 52 45 4D 0D 0A
        <H> <C> 4C 4F 53 54 20 20             # CSAVE "LOST": no program block follows
        <H> <B> 53 48 4F 52 54 20             # BSAVE "SHORT": 16 bytes said, 2 there
        <H>   00 C0 0F C0 00 C0  AA BB
        <H> <B> 42 41 43 4B 20 20             # BSAVE "BACK": end before start
        <H>   00 C0 00 B0 00 C0  AA BB
        <H> <C> 47 4F 4F 44 20 20             # CSAVE "GOOD"
        <H>   00 00 00 00 00 00 00 00
        <H> <B> 54 41 49 4C                   # a header block cut in its name
    )"),
                                   "x");
    ASSERT_EQ(paths(*cas), (std::vector<std::string>{"NOEND", "LOST", "SHORT", "BACK", "GOOD", "TAIL"}));
    const std::vector<MemberStatus> expected = {MemberStatus::CutShort, MemberStatus::CutShort,
                                                MemberStatus::CutShort, MemberStatus::BadHeader,
                                                MemberStatus::Ok,       MemberStatus::CutShort};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(cas->members()[i].status, expected[i]) << cas->members()[i].path;
        if (expected[i] != MemberStatus::Ok) {
            try {
                cas->read(i);
                ADD_FAILURE() << cas->members()[i].path << " was read";
            } catch (const QuilletError& error) {
                EXPECT_EQ(error.kind(), ErrorKind::DamagedMember);
            }
        }
    }
    EXPECT_EQ(cas->members()[2].size, 1u + 6 + 16) << "the size its addresses declare";
    EXPECT_EQ(cas->read(4), std::string("\xFF") + std::string(8, '\0'));
}

TEST(CassetteImageDamage, TapeEndingInsideABlockHeader)
{
    // Eight bytes short of a header are data, not a block.
    const auto cas = openContainer(tape(R"(
        <H> <S> 41 20 20 20 20 20             # SAVE "A"
        <H>   31 0D 0A 1A 00 00 00 00
             1F A6 DE BA                   # half a header
    )"),
                                   "x");
    EXPECT_EQ(paths(*cas), std::vector<std::string>{"A"});
    EXPECT_EQ(cas->read(0), "1\r\n");
}

TEST(CassetteImage, CorpusTapeHoldsFourAsciiPrograms)
{
    // The corpus holds one cassette image.
    std::filesystem::path path;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(corpusDir() / "containers", error)) {
        if (entry.path().extension() == ".cas")
            path = entry.path();
    }
    if (corpusDir().empty() || path.empty())
        GTEST_SKIP() << "no corpus";
    const auto cas = openContainer(readFile(path), path.string());
    // Names and text sizes counted by splitting the file at its block
    // headers with a separate script.
    ASSERT_EQ(paths(*cas), (std::vector<std::string>{"KTST30", "KT30A", "KT30B", "KT30C"}));
    const std::uint64_t sizes[] = {1165, 7182, 6265, 5452};
    for (std::size_t i = 0; i < 4; ++i) {
        const MemberInfo& info = cas->members()[i];
        EXPECT_EQ(info.kind, MemberKind::Text);
        EXPECT_EQ(info.size, sizes[i]) << info.path;
        const std::string text = cas->read(i);
        // Whole numbered lines, none holding a block header's bytes.
        EXPECT_EQ(text.substr(0, 5), "1000 ") << info.path;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << info.path;
        EXPECT_EQ(text.find('\x1A'), std::string::npos) << info.path;
        EXPECT_EQ(text.find("\x1F\xA6\xDE\xBA"), std::string::npos) << info.path;
        std::size_t lines = 0;
        long previous = -1;
        for (std::size_t at = 0; at < text.size();) {
            const long number = std::stol(text.substr(at, 5));
            EXPECT_GT(number, previous) << info.path << " at " << at;
            previous = number;
            ++lines;
            const std::size_t end = text.find("\r\n", at);
            if (end == std::string::npos)
                break;
            at = end + 2;
        }
        EXPECT_GT(lines, 10u);
    }
}
