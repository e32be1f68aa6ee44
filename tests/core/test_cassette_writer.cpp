// SPDX-License-Identifier: MIT
// Tapes written by quillet-convert --new-cas, --put and --delete, read back
// through the tape reader; the names they take; the changes they refuse;
// and their sound, decoded back to blocks from its zero crossings.

#include "ConvertRunner.h"
#include "common/Errors.h"
#include "container/CassetteWriter.h"
#include "container/Container.h"
#include "convert/ConvertCli.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

const std::string Program = hexBytes("FF 09 80 0A 00 91 20 22 48 49 22 00  00 00"); // 10 PRINT "HI"
const std::string Program2 = hexBytes("FF 07 80 14 00 81 00  00 00");               // 20 END
const std::string Code = hexBytes("FE 00 C0 02 C0 00 C0  C9 00 C9");                // C000 to C002
// Over two 256-byte blocks, ended by the end mark a disk file carries.
const std::string Listing = [] {
    std::string text;
    for (int line = 10; text.size() < 600; line += 10)
        text += std::to_string(line) + " PRINT \"LINE\"\r\n";
    return text;
}();

struct Listed {
    std::string path;
    MemberKind kind;
    std::string bytes;
    bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Listed& listed)
{
    return out << listed.path << " (" << memberKindName(listed.kind) << ", " << listed.bytes.size() << " bytes)";
}

// The tape's members as the reader lists and reads them; a program without
// the zeros the tape ends it with.
std::vector<Listed> listTape(const std::string& tape)
{
    std::vector<Listed> out;
    const auto cas = openContainer(tape, "t.cas");
    EXPECT_TRUE(cas->problems().empty());
    for (std::size_t i = 0; i < cas->members().size(); ++i) {
        const MemberInfo& info = cas->members()[i];
        EXPECT_EQ(info.status, MemberStatus::Ok) << info.path;
        std::string bytes = cas->read(i);
        if (info.kind == MemberKind::Basic) {
            // The last line's end and the end link, then the tape's zeros.
            const std::size_t end = bytes.find_last_not_of('\0') + 1 + 3;
            EXPECT_GE(bytes.size(), end + 7) << info.path << ": CSAVE's end zeros";
            bytes.resize(std::min(end, bytes.size()));
        }
        out.push_back({info.path, info.kind, bytes});
    }
    return out;
}

} // namespace

TEST(TapeCommands, FilesPutAndDeletedListBackAsTheyWere)
{
    ScratchDir dir;
    const std::string tape = (dir / "T.cas").string();
    writeFile(dir / "GAME.BAS", Program);
    writeFile(dir / "CODE.BIN", Code);
    writeFile(dir / "LONGLISTING.ASC", Listing + "\x1A");
    writeFile(dir / "CAS:.ASC", "10 END\r\n");
    fs::create_directory(dir / "v2");
    writeFile(dir / "v2" / "GAME.BAS", Program2);
    const auto at = [&](const char* name) { return (dir / name).string(); };
    const Listed game{"GAME", MemberKind::Basic, Program}, code{"CODE", MemberKind::BsaveBinary, Code},
        text{"LONGLI", MemberKind::Text, Listing}, game2{"GAME", MemberKind::Basic, Program2},
        colon{"CAS:", MemberKind::Text, "10 END\r\n"};

    const struct {
        std::vector<std::string> args;
        std::vector<Listed> listed;
    } steps[] = {
        {{"--new-cas", tape}, {}},
        {{"--put", at("GAME.BAS"), at("CODE.BIN"), at("LONGLISTING.ASC"), tape}, {game, code, text}},
        {{"--put", at("v2/GAME.BAS"), tape}, {game2, code, text}}, // replaced where it lay
        {{"--delete", tape + "::code"}, {game2, text}},
        {{"--put", at("CAS:.ASC"), at("GAME.BAS"), tape}, {game, text, colon}},
        {{"--delete", tape + "::LONGLI", tape + "::GAME"}, {colon}},
    };
    for (const auto& step : steps) {
        const ConvertResult result = runConvert(step.args);
        ASSERT_EQ(result.status, cli::ExitOk) << step.args.front() << ": " << result.err;
        EXPECT_EQ(result.err, "");
        const std::string bytes = readFile(tape);
        EXPECT_EQ(bytes.size() % 8, 0u);
        EXPECT_EQ(listTape(bytes), step.listed) << step.args.front() << " " << step.args[1];
    }

    // The name as the tape holds it, in a listing and a member path.
    const ConvertResult list = runConvert({"--list", tape});
    EXPECT_EQ(list.out, "CAS:\t8\ttext\n");
    const ConvertResult member = runConvert({tape + "::CAS:", (dir / "out.txt").string()});
    EXPECT_EQ(member.status, cli::ExitOk) << member.err;
    EXPECT_EQ(readFile(dir / "out.txt"), "10 END\r\n");
}

TEST(TapeCommands, RefusedChangesLeaveTheTapeByteForByte)
{
    ScratchDir dir;
    const std::string tape = (dir / "T.cas").string();
    const auto at = [&](const char* name) { return (dir / name).string(); };
    writeFile(dir / "GAME.BAS", Program);
    writeFile(dir / "SHORT.BIN", Code.substr(0, Code.size() - 1));
    writeFile(dir / "game.txt", "10 END\r\n");
    writeFile(dir / "MID.TXT", "10 END\r\n\x1A"
                               "20 END\r\n");
    writeFile(dir / "TAPE.TXT", hexBytes("1F A6 DE BA CC 13 7D 74  EA EA EA EA EA EA EA EA EA EA"));
    writeFile(dir / "caf\xC3\xA9.BAS", Program);
    writeFile(dir / "   .BAS", Program);
    writeFile(dir / "DAMAGED.cas",
              hexBytes("1F A6 DE BA CC 13 7D 74  D3 D3 D3 D3 D3 D3 D3 D3 D3 D3 4C 4F 53 54 20 20"));
    ASSERT_EQ(runConvert({"--new-cas", tape}).status, cli::ExitOk);
    ASSERT_EQ(runConvert({"--put", at("GAME.BAS"), at("game.txt"), tape}).status, cli::ExitOk);

    const struct {
        std::vector<std::string> args;
        std::string message; // what stderr holds
    } refused[] = {
        {{"--put", at("GAME.BAS"), at("SHORT.BIN"), tape}, "SHORT.BIN: cannot be written to: a BSAVE file whose"},
        {{"--put", at("MID.TXT"), tape}, "MID.TXT: cannot be written to: an end-of-file mark"},
        {{"--put", at("TAPE.TXT"), tape}, "TAPE.TXT: cannot be written to: its bytes hold a block header"},
        {{"--put", at("caf\xC3\xA9.BAS"), tape}, "'\xC3\xA9' has no code page 932 form"},
        {{"--put", at("   .BAS"), tape}, "nothing is left of the name"},
        {{"--put", at("GAME.BAS"), (dir / "v2" / "GAME.BAS").string(), tape}, "both become GAME on the tape"},
        {{"--put", at("GAME.BAS"), tape + "::DIR"}, "a tape has no folders"},
        {{"--delete", tape + "::GAME", tape + "::NOPE"}, "T.cas::NOPE: no such member"},
        {{"--new-cas", tape}, "T.cas: something of that name is in the way"},
    };
    fs::create_directory(dir / "v2");
    writeFile(dir / "v2" / "GAME.BAS", Program2);
    const std::string before = readFile(tape);
    for (const auto& change : refused) {
        const ConvertResult result = runConvert(change.args);
        EXPECT_EQ(result.status, cli::ExitFailed) << change.message;
        EXPECT_NE(result.err.find(change.message), std::string::npos) << result.err;
        EXPECT_EQ(readFile(tape), before) << change.message;
    }

    // A damaged tape is never written to.
    const std::string damaged = readFile(dir / "DAMAGED.cas");
    const ConvertResult result = runConvert({"--put", at("GAME.BAS"), at("DAMAGED.cas")});
    EXPECT_EQ(result.status, cli::ExitFailed);
    EXPECT_NE(result.err.find("DAMAGED.cas: cannot be written to: LOST: damaged"), std::string::npos) << result.err;
    EXPECT_EQ(readFile(dir / "DAMAGED.cas"), damaged);
}

TEST(CassetteWriter, TapeNamesAreSixBytesOfTheBase)
{
    const struct {
        std::string file, name; // empty: refused
    } names[] = {
        {"GAME.BAS", "GAME"},
        {"longname.bas", "longna"}, // kept as typed
        {"My.Game.bas", "My.Gam"},
        {"dir/sub/RUN.BAS", "RUN"},
        {".hidden", ".hidde"},
        {"CAS:.bas", "CAS:"},
        {"\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xB6\xEF\xBE\x85.BAS", "\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xB6\xEF\xBE\x85"},
        // Two bytes each: the fourth does not fit.
        {"\xE3\x81\x8B\xE3\x81\xAA\xE3\x81\x8B\xE3\x81\xAA.BAS", "\xE3\x81\x8B\xE3\x81\xAA\xE3\x81\x8B"},
        {"AB    CD.BAS", "AB"},
        {"", ""},
        {"tab\there", ""},
        {"caf\xC3\xA9", ""},
        {"\xE2\x82\xAC.BAS", ""}, // the euro sign
    };
    for (const auto& [file, name] : names) {
        try {
            EXPECT_EQ(tapeName(file), name) << file;
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::BadName);
            EXPECT_EQ(name, "") << file << ": " << error.what();
        }
    }
}

TEST(CassetteWriter, AFileReplacedOrRemovedLeavesTheOthersByteForByte)
{
    const std::string a = putOnTape("", "A.BAS", Program), b = putOnTape("", "B.BIN", Code),
                      c = putOnTape("", "C.TXT", Listing);
    const std::string tape = putOnTape(putOnTape(a, "B.BIN", Code), "C.TXT", Listing);
    EXPECT_EQ(tape, a + b + c);
    const std::string replaced = putOnTape(tape, "B.BIN", hexBytes("FE 00 D0 00 D0 00 D0 AA"));
    EXPECT_EQ(replaced.substr(0, a.size()), a);
    EXPECT_EQ(replaced.substr(replaced.size() - c.size()), c);
    EXPECT_NE(replaced, tape);
    const std::string removed = removeFromTape(replaced, "b");
    EXPECT_EQ(removed, a + c);
    EXPECT_EQ(removeFromTape(removeFromTape(removed, "A"), "C"), "") << "a blank tape";
    try {
        removeFromTape(removed, "B");
        ADD_FAILURE() << "removed twice";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::UnknownMember);
    }
    EXPECT_TRUE(openContainer("", "EMPTY.CAS")->members().empty()) << "an empty .cas is a blank tape";
}

namespace {

struct SoundBlock {
    bool longTone;
    std::string bytes;
    bool operator==(const SoundBlock&) const = default;
};

// The blocks of a .cas image: the bytes between its block headers, a file
// header block (ten type bytes) after a long tone.
std::vector<SoundBlock> casBlocks(const std::string& tape)
{
    std::vector<std::size_t> headers;
    for (std::size_t at = 0; at + 8 <= tape.size(); at += 8) {
        if (tape.compare(at, 8, "\x1F\xA6\xDE\xBA\xCC\x13\x7D\x74") == 0)
            headers.push_back(at);
    }
    std::vector<SoundBlock> blocks;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const std::size_t end = i + 1 < headers.size() ? headers[i + 1] : tape.size();
        std::string bytes = tape.substr(headers[i] + 8, end - headers[i] - 8);
        const bool file = bytes.size() >= 10 && bytes.find_first_not_of(bytes[0]) >= 10
                          && (bytes[0] == '\xD3' || bytes[0] == '\xEA' || bytes[0] == '\xD0');
        blocks.push_back({file, bytes});
    }
    return blocks;
}

// The blocks a WAV holds, told as a cassette interface tells them: the
// time between zero crossings is a short (a 1 bit's) or a long (a 0 bit's)
// half cycle; silence ends a block; a tone of 1 bits opens it, then each
// byte is a 0, eight bits and two 1s. Checks the tones' and silences' lengths.
std::vector<SoundBlock> decodeSound(const std::string& wav, int baud)
{
    std::vector<SoundBlock> blocks;
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    const auto word = [&](std::size_t at, int bytes) {
        std::uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | static_cast<std::uint8_t>(wav[at + i]);
        return value;
    };
    EXPECT_EQ(word(20, 2), 1u) << "PCM";
    EXPECT_EQ(word(22, 2), 1u) << "mono";
    EXPECT_EQ(word(34, 2), 8u) << "8 bits";
    const double rate = word(24, 4);
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(word(40, 4), wav.size() - 44);
    EXPECT_EQ(word(4, 4), wav.size() - 8);
    const double unit = rate / (4 * baud); // samples in a 1 bit's half cycle

    // Runs of one level: their sign and length in samples.
    std::vector<std::pair<int, std::size_t>> runs;
    for (std::size_t at = 44; at < wav.size(); ++at) {
        const int sample = static_cast<std::uint8_t>(wav[at]);
        const int sign = sample > 0x80 ? 1 : sample < 0x80 ? -1 : 0;
        if (runs.empty() || runs.back().first != sign)
            runs.push_back({sign, 0});
        ++runs.back().second;
    }
    std::size_t i = 0;
    while (i < runs.size()) {
        if (runs[i].first == 0) {
            EXPECT_GE(runs[i].second / rate, 0.99) << "the silence before block " << blocks.size();
            ++i;
            continue;
        }
        std::vector<bool> bits;
        for (; i < runs.size() && runs[i].first != 0;) {
            const bool longHalf = runs[i].second > 1.5 * unit;
            const std::size_t halves = longHalf ? 2 : 4;
            if (i + halves > runs.size())
                break;
            for (std::size_t k = 0; k < halves; ++k)
                EXPECT_EQ(runs[i + k].second > 1.5 * unit, longHalf) << "a bit of mixed half cycles";
            bits.push_back(!longHalf);
            i += halves;
        }
        std::size_t b = 0;
        while (b < bits.size() && bits[b])
            ++b;
        const double toneSeconds = b / static_cast<double>(baud);
        SoundBlock block{toneSeconds > 4, {}};
        EXPECT_NEAR(toneSeconds, block.longTone ? 20.0 / 3 : 5.0 / 3, 0.01) << "the tone of block " << blocks.size();
        for (; b + 11 <= bits.size(); b += 11) {
            EXPECT_FALSE(bits[b]) << "a start bit";
            EXPECT_TRUE(bits[b + 9] && bits[b + 10]) << "two stop bits";
            int byte = 0;
            for (int k = 0; k < 8; ++k)
                byte |= bits[b + 1 + k] << k;
            block.bytes += static_cast<char>(byte);
        }
        EXPECT_EQ(b, bits.size()) << "bits left over in block " << blocks.size();
        blocks.push_back(std::move(block));
    }
    return blocks;
}

} // namespace

TEST(CassetteSound, DecodesBackToTheTapesBlocks)
{
    std::string made;
    for (const auto& [name, bytes] : {std::pair{"A.BAS", Program}, {"B.BIN", Code}, {"C.TXT", Listing}})
        made = putOnTape(made, name, bytes);
    const fs::path corpus = corpusDir().empty() ? fs::path() : corpusDir() / "containers" / "openmsx-ktst30.cas";
    std::vector<std::pair<std::string, std::string>> tapes = {{"made", made}};
    if (!corpus.empty() && fs::exists(corpus))
        tapes.push_back({"corpus", readFile(corpus)});
    for (const auto& [what, tape] : tapes) {
        for (const int baud : {1200, 2400}) {
            CassetteSoundOptions options;
            options.baud = baud;
            const std::vector<SoundBlock> expected = casBlocks(tape);
            ASSERT_GE(expected.size(), 5u);
            EXPECT_EQ(decodeSound(cassetteSound(tape, options), baud), expected) << what << " at " << baud;
        }
    }
    if (tapes.size() == 1)
        GTEST_SKIP() << "no corpus tape";
}

TEST(TapeCommands, TheCorpusTapeKeepsItsFilesWhenOneIsPut)
{
    const fs::path corpus = corpusDir().empty() ? fs::path() : corpusDir() / "containers" / "openmsx-ktst30.cas";
    if (corpus.empty() || !fs::exists(corpus))
        GTEST_SKIP() << "no corpus tape";
    ScratchDir dir;
    const std::string original = readFile(corpus);
    writeFile(dir / "T.cas", original);
    writeFile(dir / "GAME.BAS", Program);
    const ConvertResult put = runConvert({"--put", (dir / "GAME.BAS").string(), (dir / "T.cas").string()});
    ASSERT_EQ(put.status, cli::ExitOk) << put.err;
    const std::string changed = readFile(dir / "T.cas");
    EXPECT_EQ(changed.substr(0, original.size()), original);
    std::vector<Listed> listed = listTape(original);
    listed.push_back({"GAME", MemberKind::Basic, Program});
    EXPECT_EQ(listTape(changed), listed);

    const ConvertResult wav =
        runConvert({"--wav", (dir / "T.cas").string(), (dir / "T.wav").string(), "--baud", "2400"});
    ASSERT_EQ(wav.status, cli::ExitOk) << wav.err;
    EXPECT_EQ(decodeSound(readFile(dir / "T.wav"), 2400), casBlocks(changed));
}
