// SPDX-License-Identifier: MIT
// Cassette images written: a file as CSAVE, SAVE or BSAVE puts it on tape
// (a header block of ten type bytes and the name, then its data blocks),
// each block header at an offset divisible by 8 as the reader finds them.
// Every change is read back before it is handed out, so that a file whose
// bytes the reader would split differently, or a fault here, refuses the
// change instead of losing a file. And the tape as sound: FSK as the MSX
// cassette interface writes it.

#include "container/CassetteWriter.h"

#include "common/Errors.h"
#include "common/LittleEndian.h"
#include "common/Utf8.h"
#include "container/CassetteLayout.h"
#include "container/MemberNames.h"
#include "container/Readers.h"
#include "render/CodePage.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace quillet {

namespace {

using namespace cas;
constexpr std::size_t AsciiBlockSize = 256;
// CSAVE follows the program with zeros, so that its end reads as one.
constexpr std::size_t ProgramEndZeros = 7;

struct Block {
    std::size_t header; // offset of its block header
    std::size_t end;    // of its data: the next header, or the image's end
    std::string_view data(std::string_view tape) const
    {
        return tape.substr(header + BlockHeader.size(), end - header - BlockHeader.size());
    }
};

// The blocks as the reader finds them: a header at every offset divisible by 8.
std::vector<Block> blocksOf(std::string_view tape)
{
    std::vector<Block> blocks;
    for (std::size_t at = 0; at + BlockHeader.size() <= tape.size(); at += 8) {
        if (tape.substr(at, BlockHeader.size()) != BlockHeader)
            continue;
        if (!blocks.empty())
            blocks.back().end = at;
        blocks.push_back({at, tape.size()});
    }
    return blocks;
}

// A name as the tape compares it: six bytes, blank-padded (NULs pad too).
std::string paddedName(std::string_view name)
{
    std::string out(name.substr(0, NameLength));
    while (!out.empty() && (out.back() == ' ' || out.back() == '\0'))
        out.pop_back();
    out.resize(NameLength, ' ');
    return out;
}

// One member of the tape as the reader lists it, and the bytes it takes:
// from its first block header to the next member's.
struct Entry {
    std::size_t start, end;
    std::string name; // six bytes, blank-padded; empty for a block no file owns
};

// The tape read and split into its members. Only a tape fit to be written:
// every member readable, nothing passed over.
struct Tape {
    std::unique_ptr<Container> reader;
    std::vector<Entry> entries;
};

Tape readTape(const std::string& tape)
{
    Tape out;
    if (tape.empty())
        return out;
    try {
        out.reader = openCassetteImage(tape);
    } catch (const QuilletError& error) {
        if (error.kind() != ErrorKind::NotAContainer)
            throw;
        throw QuilletError(ErrorKind::NotWritable, "not a cassette image: no block header");
    }
    if (!out.reader->problems().empty())
        throw QuilletError(ErrorKind::NotWritable, out.reader->problems().front());
    for (const MemberInfo& info : out.reader->members()) {
        if (info.status != MemberStatus::Ok)
            throw QuilletError(ErrorKind::NotWritable, info.path + ": " + std::string(memberStatusText(info.status)));
    }

    // The bytes each member takes, as the reader assigns them.
    for (const auto& [start, end] : cassetteMemberSpans(*out.reader)) {
        const std::string_view header = std::string_view(tape).substr(start + BlockHeader.size());
        Entry entry{start, end, {}};
        if (fileType(header) != 0)
            entry.name = paddedName(header.substr(TypeLength, NameLength));
        out.entries.push_back(std::move(entry));
    }
    return out;
}

// A tape name's bytes (code page 932, at most six of them) and its text.
struct TapeNameForms {
    std::string bytes;
    std::string text;
};

TapeNameForms tapeNameForms(std::string_view name)
{
    name = name.substr(name.rfind('/') == std::string_view::npos ? 0 : name.rfind('/') + 1);
    // The extension goes; a leading dot starts a name, not an extension.
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    TapeNameForms out;
    for (const char32_t c : decodeUtf8(name)) {
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            throw QuilletError(ErrorKind::BadName, "a control character");
        const std::optional<std::string> bytes = encodeCp932(c);
        if (!bytes) {
            std::string shown;
            appendUtf8(shown, c);
            throw QuilletError(ErrorKind::BadName, "'" + shown + "' has no code page 932 form");
        }
        if (out.bytes.size() + bytes->size() > NameLength)
            break;
        out.bytes += *bytes;
    }
    while (!out.bytes.empty() && out.bytes.back() == ' ')
        out.bytes.pop_back();
    if (out.bytes.empty())
        throw QuilletError(ErrorKind::BadName, "nothing is left of the name for the tape");
    out.text = tapeNameToUtf8(out.bytes);
    return out;
}

void appendBlock(std::string& tape, std::string_view data, std::size_t& count)
{
    ++count;
    tape += BlockHeader;
    tape += data;
    tape.append((8 - tape.size() % 8) % 8, '\0');
}

// A file as it goes on tape (its blocks, from an offset divisible by 8),
// and the bytes the reader will give back for it.
struct FileOnTape {
    std::string blocks;
    std::string readBack;
};

FileOnTape fileOnTape(const std::string& name, std::string_view bytes)
{
    FileOnTape out;
    std::size_t blocks = 0;
    const int first = bytes.empty() ? -1 : static_cast<std::uint8_t>(bytes[0]);
    const std::uint8_t type = first == TokenizedBasicMark ? TokenizedType
                              : first == BsaveImageMark   ? BinaryType
                                                          : AsciiType;
    appendBlock(out.blocks, std::string(TypeLength, static_cast<char>(type)) + name, blocks);
    if (type == TokenizedType) {
        // The program without its 0xFF.
        appendBlock(out.blocks, std::string(bytes.substr(1)) + std::string(ProgramEndZeros, '\0'), blocks);
        out.readBack = static_cast<char>(TokenizedBasicMark) + out.blocks.substr(3 * 8 + BlockHeader.size());
    } else if (type == BinaryType) {
        // Start, end and execution address, then the bytes from start to end.
        if (bytes.size() < 7)
            throw QuilletError(ErrorKind::NotWritable, "a BSAVE file cut short in its addresses");
        const auto word = [&](std::size_t at) {
            return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
        };
        const int start = word(1), end = word(3);
        if (end < start || bytes.size() != 7 + static_cast<std::size_t>(end - start + 1))
            throw QuilletError(ErrorKind::NotWritable,
                               "a BSAVE file whose addresses (" + std::to_string(end - start + 1)
                                   + " bytes) do not fit its length (" + std::to_string(bytes.size() - 7) + " bytes)");
        appendBlock(out.blocks, bytes.substr(1), blocks);
        out.readBack = std::string(bytes);
    } else {
        // The text ends at its first end mark; only padding may follow it.
        std::string_view text = bytes;
        const std::size_t end = text.find(AsciiEnd);
        if (end != std::string_view::npos) {
            if (text.find_first_not_of(std::string_view("\x1A\0", 2), end) != std::string_view::npos)
                throw QuilletError(ErrorKind::NotWritable,
                                   "an end-of-file mark (1A) before the file's end: the tape would cut it there");
            text = text.substr(0, end);
        }
        // 256-byte blocks; the end marks fill the last, or a block of their own.
        for (std::size_t at = 0; at <= text.size(); at += AsciiBlockSize) {
            std::string block(text.substr(at, AsciiBlockSize));
            block.resize(AsciiBlockSize, AsciiEnd);
            appendBlock(out.blocks, block, blocks);
        }
        out.readBack = std::string(text);
    }
    // The reader would split the file at a header inside its bytes.
    if (blocksOf(out.blocks).size() != blocks)
        throw QuilletError(ErrorKind::NotWritable, "its bytes hold a block header, where the tape would split it");
    return out;
}

// Checks `changed` against `before`: the members of `before` other than
// `skipped` are there in the same order with the same bytes (the one at
// `grown`, before a new file that needed padding, with zeros added), and
// the new file at `added` reads back as `readBack`.
void checkMembers(const Tape& before, const std::string& changed, std::optional<std::size_t> skipped,
                  std::optional<std::size_t> added, std::string_view readBack, std::optional<std::size_t> grown)
{
    const std::vector<MemberInfo> none;
    const std::vector<MemberInfo>& old = before.reader ? before.reader->members() : none;
    std::unique_ptr<Container> after;
    if (!changed.empty())
        after = openCassetteImage(changed);
    const std::size_t count = after ? after->members().size() : 0;
    const auto fail = [](const std::string& why) { throw QuilletError(ErrorKind::NotWritable, why); };
    if (count != old.size() - (skipped && !added ? 1 : 0) + (added && !skipped ? 1 : 0))
        fail("the tape would not read back with the files it should hold");
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (skipped && i == *skipped)
            continue;
        // Past a removed file the members move up by one.
        const std::size_t j = skipped && !added && i > *skipped ? i - 1 : i;
        std::string was = before.reader->read(i), is = after->read(j);
        if (grown && i == *grown && is.size() > was.size()
            && is.find_first_not_of('\0', was.size()) == std::string::npos)
            is.resize(was.size());
        if (is != was)
            fail(old[i].path + " would not read back as it was");
    }
    if (added) {
        const MemberInfo& info = after->members().at(*added);
        if (info.status != MemberStatus::Ok || after->read(*added) != readBack)
            fail("it would not read back as it was put");
    }
}

// The same, any failure to read it back a refusal.
void checkReadBack(const Tape& before, const std::string& changed, std::optional<std::size_t> skipped,
                   std::optional<std::size_t> added, std::string_view readBack, std::optional<std::size_t> grown)
{
    try {
        checkMembers(before, changed, skipped, added, readBack, grown);
    } catch (const QuilletError& error) {
        if (error.kind() == ErrorKind::NotWritable)
            throw;
        throw QuilletError(ErrorKind::NotWritable,
                           std::string("the changed tape would not read back: ") + error.what());
    }
}

} // namespace

std::string tapeName(std::string_view name)
{
    return tapeNameForms(name).text;
}

void requireWritableTape(const std::string& tape)
{
    readTape(tape);
}

std::string putOnTape(std::string tape, std::string_view name, std::string_view bytes)
{
    const std::string padded = paddedName(tapeNameForms(name).bytes);
    const FileOnTape file = fileOnTape(padded, bytes);
    const Tape before = readTape(tape);
    const auto same = std::find_if(before.entries.begin(), before.entries.end(),
                                   [&](const Entry& entry) { return entry.name == padded; });
    std::string changed;
    if (same != before.entries.end()) {
        // Replaced where it lies; the tape around it stays as it was.
        changed = tape.substr(0, same->start) + file.blocks + tape.substr(same->end);
        const auto index = static_cast<std::size_t>(same - before.entries.begin());
        checkReadBack(before, changed, index, index, file.readBack, std::nullopt);
    } else {
        const std::size_t padding = (8 - tape.size() % 8) % 8;
        changed = tape + std::string(padding, '\0') + file.blocks;
        std::optional<std::size_t> grown;
        if (padding > 0 && !before.entries.empty())
            grown = before.entries.size() - 1;
        checkReadBack(before, changed, std::nullopt, before.entries.size(), file.readBack, grown);
    }
    return changed;
}

std::string removeFromTape(std::string tape, std::string_view name)
{
    const Tape before = readTape(tape);
    const std::optional<std::size_t> index = before.reader ? before.reader->find(name) : std::nullopt;
    if (!index)
        throw QuilletError(ErrorKind::UnknownMember, std::string(name) + " is not on the tape");
    const Entry& entry = before.entries[*index];
    std::string changed = tape.substr(0, entry.start) + tape.substr(entry.end);
    // With no file left it is a blank tape, not bytes no reader takes.
    if (before.entries.size() == 1)
        changed.clear();
    checkReadBack(before, changed, index, std::nullopt, {}, std::nullopt);
    return changed;
}

namespace {

// The sound as 8-bit samples. Time is counted in units of half a cycle of
// the 1 bit's frequency (a quarter of a bit), so that every edge falls at
// the same sample whatever came before it.
class SoundWriter {
public:
    SoundWriter(std::string& out, int baud, int sampleRate) : out_(out), unitsPerSecond_(4 * baud), rate_(sampleRate) {}

    void silence(std::uint64_t units) { level(Silence, units); }
    // `cycles` cycles of the 1 bit's frequency.
    void tone(std::uint64_t cycles)
    {
        for (std::uint64_t i = 0; i < cycles; ++i)
            cycle(1);
    }
    // A start bit 0, the eight bits least significant first, two stop bits 1.
    void byte(std::uint8_t value)
    {
        bit(false);
        for (int i = 0; i < 8; ++i)
            bit((value >> i) & 1);
        bit(true);
        bit(true);
    }

private:
    static constexpr char Silence = static_cast<char>(0x80);
    static constexpr char High = static_cast<char>(0x80 + 0x60);
    static constexpr char Low = static_cast<char>(0x80 - 0x60);

    // A 0 is one cycle at the baud rate, a 1 two cycles at twice it.
    void bit(bool one)
    {
        if (one) {
            cycle(1);
            cycle(1);
        } else
            cycle(2);
    }
    void cycle(std::uint64_t halfUnits)
    {
        level(High, halfUnits);
        level(Low, halfUnits);
    }
    void level(char sample, std::uint64_t units)
    {
        units_ += units;
        const std::uint64_t end = units_ * static_cast<std::uint64_t>(rate_) / unitsPerSecond_;
        out_.append(end - samples_, sample);
        samples_ = end;
    }

    std::string& out_;
    std::uint64_t unitsPerSecond_;
    int rate_;
    std::uint64_t units_ = 0;
    std::uint64_t samples_ = 0;
};

// The header tones' and silences' lengths at 1200 baud: a long tone of
// 16000 cycles of 2400 Hz before a file's header block, a short one of
// 4000 before each data block; two seconds of silence before a file, one
// before a data block. At 2400 baud the tones have twice the cycles, so
// that they last as long.
constexpr std::uint64_t LongToneCycles = 16000;
constexpr std::uint64_t ShortToneCycles = 4000;
constexpr std::uint64_t LongSilenceSeconds = 2;
constexpr std::uint64_t ShortSilenceSeconds = 1;
// A WAV file counts its bytes in 32 bits; this stays well below.
constexpr std::uint64_t MaxSoundBytes = 1024ull * 1024 * 1024;

} // namespace

std::string cassetteSound(std::string_view tape, const CassetteSoundOptions& options)
{
    if ((options.baud != 1200 && options.baud != 2400) || options.sampleRate < 8000 || options.sampleRate > 384000)
        throw std::invalid_argument("cassetteSound: 1200 or 2400 baud, 8000 to 384000 samples a second");
    if (!tape.empty() && blocksOf(tape).empty())
        throw QuilletError(ErrorKind::NotAContainer, "no cassette block header");
    const std::uint64_t toneScale = static_cast<std::uint64_t>(options.baud) / 1200;
    const std::uint64_t unitsPerSecond = 4 * static_cast<std::uint64_t>(options.baud);
    std::vector<Block> blocks = blocksOf(tape);
    // A header straight after a header starts no block.
    std::erase_if(blocks, [](const Block& block) { return block.end == block.header + BlockHeader.size(); });

    // Every bit lasts four units.
    std::uint64_t units = ShortSilenceSeconds * unitsPerSecond;
    for (const Block& block : blocks) {
        const bool file = fileType(block.data(tape)) != 0;
        units += (file ? LongSilenceSeconds : ShortSilenceSeconds) * unitsPerSecond
                 + 2 * (file ? LongToneCycles : ShortToneCycles) * toneScale + 44 * block.data(tape).size();
    }
    const std::uint64_t samples = units * static_cast<std::uint64_t>(options.sampleRate) / unitsPerSecond;
    if (samples > MaxSoundBytes)
        throw QuilletError(ErrorKind::TooLarge, "the sound would be over 1 GB");

    std::string wav;
    wav.reserve(44 + samples);
    wav += "RIFF";
    appendLe32(wav, static_cast<std::uint32_t>(36 + samples));
    wav += "WAVEfmt ";
    appendLe32(wav, 16);                                             // the format chunk's size
    appendLe16(wav, 1);                                              // PCM
    appendLe16(wav, 1);                                              // mono
    appendLe32(wav, static_cast<std::uint32_t>(options.sampleRate)); // samples a second
    appendLe32(wav, static_cast<std::uint32_t>(options.sampleRate)); // bytes a second
    appendLe16(wav, 1);                                              // bytes a sample
    appendLe16(wav, 8);                                              // bits a sample
    wav += "data";
    appendLe32(wav, static_cast<std::uint32_t>(samples));

    SoundWriter sound(wav, options.baud, options.sampleRate);
    for (const Block& block : blocks) {
        const std::string_view data = block.data(tape);
        const bool file = fileType(data) != 0;
        sound.silence((file ? LongSilenceSeconds : ShortSilenceSeconds) * unitsPerSecond);
        sound.tone((file ? LongToneCycles : ShortToneCycles) * toneScale);
        for (const char byte : data)
            sound.byte(static_cast<std::uint8_t>(byte));
    }
    // Room after the last bit, so that a player does not cut it.
    sound.silence(ShortSilenceSeconds * unitsPerSecond);
    return wav;
}

} // namespace quillet
