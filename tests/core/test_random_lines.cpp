// SPDX-License-Identifier: MIT
// Programs of random lines: every byte value in every mode, constants whose
// operands hold 00, real constants of any exponent, apostrophe comments,
// bodies far over 255 bytes and line addresses into the program. Their
// listing is kept in tests/data, and it comes out the same whatever pieces
// the source hands the bytes out in and wherever the program is cut.

#include "common/ByteStream.h"
#include "decoder/LineDecoder.h"
#include "decoder/ListingConverter.h"
#include "decoder/TokenTables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace quillet;
using namespace quillet::test;

namespace {

// Hands the bytes out `piece` at a time.
class PieceSource final : public ByteSource {
public:
    PieceSource(std::string_view bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}

protected:
    bool refill() override
    {
        if (next_ == bytes_.size())
            return false;
        const std::size_t size = std::min(piece_, bytes_.size() - next_);
        pos_ = reinterpret_cast<const std::uint8_t*>(bytes_.data()) + next_;
        end_ = pos_ + size;
        next_ += size;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t piece_;
    std::size_t next_ = 0;
};

std::string randomBody(std::mt19937& random, const std::vector<unsigned>& lineAddresses)
{
    auto pick = [&](unsigned count) { return static_cast<unsigned>(random() % count); };
    auto byte = [&] { return static_cast<char>(random() & 0xFF); };
    auto bcd = [&] { return static_cast<char>(pick(10) << 4 | pick(10)); };
    std::string body;
    // Most lines are short; one in eight runs far past the listed length.
    const unsigned items = pick(8) == 0 ? 100 + pick(200) : 1 + pick(30);
    for (unsigned i = 0; i < items; ++i) {
        switch (pick(16)) {
        case 0:
        case 1:
        case 2: body += static_cast<char>(0x20 + pick(0x60)); break; // plain, quotes and colons among them
        case 3: body += '"'; break;
        case 4: body += ':'; break;
        case 5:
        case 6: body += static_cast<char>(0x80 + pick(0x7F)); break; // keywords, or text in a mode
        case 7: body += "\x84"; break;                               // DATA
        case 8: body += pick(2) ? "\x3A\x8F\xE6" : "\x8F"; break;    // ' or REM
        case 9: {
            // A function, or no function: any byte but the constants' and 00.
            const unsigned next = 1 + pick(255 - 21);
            body += '\xFF';
            body += static_cast<char>(next < token::FirstConstant ? next : next + 21);
            break;
        }
        case 10: body += static_cast<char>(1 + pick(10)); break; // 01 to 0A
        case 11: {
            // A constant with any operand, 00 included.
            static constexpr char codes[] = {0x0B, 0x0C, 0x0E, 0x0F, 0x10, 0x11, 0x15, 0x1A, 0x1B, 0x1C, 0x1E};
            const char code = codes[pick(sizeof codes)];
            if (pick(4) == 0)
                body += '\xFF'; // not a function: the constant after the prefix
            body += code;
            if (code == 0x0F)
                body += byte();
            else if (code <= 0x0E || code == 0x1C)
                body += std::string{byte(), byte()};
            break;
        }
        case 12:
        case 13: {
            const bool isDouble = pick(2);
            body += isDouble ? '\x1F' : '\x1D';
            // Exponents of both signs, in and out of the fixed range, and zero.
            body += pick(8) == 0 ? '\0' : static_cast<char>(pick(2) << 7 | (64 - 20 + pick(40)));
            for (unsigned n = isDouble ? 7 : 3; n > 0; --n)
                body += pick(3) == 0 ? '\0' : bcd();
            break;
        }
        case 14: {
            // A line address: of a line before this one, or of no line.
            const unsigned address = !lineAddresses.empty() && pick(2)
                                         ? lineAddresses[pick(static_cast<unsigned>(lineAddresses.size()))] - 1
                                         : static_cast<unsigned>(random() & 0xFFFF);
            body += '\x0D';
            body += static_cast<char>(address & 0xFF);
            body += static_cast<char>(address >> 8);
            break;
        }
        case 15: body += pick(2) ? "\x3A\xA1" : "\x09"; break; // ELSE after its colon, TAB
        }
    }
    return body + '\0';
}

std::string randomProgram(unsigned seed, unsigned lines)
{
    std::mt19937 random(seed);
    std::string program;
    std::vector<unsigned> lineAddresses;
    for (unsigned n = 0; n < lines; ++n) {
        lineAddresses.push_back(ProgramStartAddress + static_cast<unsigned>(program.size()));
        // Numbers of every size, the hidden ones from 65530 among them.
        const unsigned number = random() % 6 == 0 ? 65525 + random() % 11 : random() & 0xFFFF;
        program += std::string{'\x01', '\x80', static_cast<char>(number & 0xFF), static_cast<char>(number >> 8)};
        program += randomBody(random, lineAddresses);
    }
    return program + std::string(2, '\0');
}

std::string listingOf(ByteSource& source, bool addresses, bool over65530, ProgramEnd* end = nullptr)
{
    StringSink sink;
    const ProgramEnd programEnd = convertTokenizedBasic(source, sink, {over65530, addresses});
    if (end)
        *end = programEnd;
    return sink.str();
}

} // namespace

TEST(RandomLines, ListingIsTheRecordedOne)
{
    const std::string program = randomProgram(1, 600);
    MemorySource source(program);
    ProgramEnd end;
    const std::string listing = listingOf(source, true, true, &end);
    EXPECT_EQ(end, ProgramEnd::Complete);
    expectListingLines(listing, true);
    // Recorded anew after an intended change with QUILLET_RECORD_LISTING=1.
    const auto recordedPath = sourceDir() / "tests/data/random-lines.listing";
    if (std::getenv("QUILLET_RECORD_LISTING"))
        writeFile(recordedPath, listing);
    const std::string recorded = readFile(recordedPath);
    ASSERT_FALSE(recorded.empty());
    // Line by line, so that a difference names its line.
    std::size_t at = 0;
    for (unsigned line = 1; at < recorded.size() || at < listing.size(); ++line) {
        const std::size_t gotEnd = listing.find("\r\n", at), wantEnd = recorded.find("\r\n", at);
        const std::string_view got = std::string_view(listing).substr(at, gotEnd - at);
        const std::string_view want = std::string_view(recorded).substr(at, wantEnd - at);
        ASSERT_EQ(got, want) << "line " << line;
        if (gotEnd == std::string::npos)
            break;
        at = gotEnd + 2;
    }
    EXPECT_EQ(listing.size(), recorded.size());
}

TEST(RandomLines, ListingIsTheSameInPiecesOfAnySizeAndWithEveryOption)
{
    for (unsigned seed = 2; seed < 6; ++seed) {
        const std::string program = randomProgram(seed, 200);
        for (const bool addresses : {false, true}) {
            for (const bool over65530 : {false, true}) {
                MemorySource whole(program);
                const std::string expected = listingOf(whole, addresses, over65530);
                for (const std::size_t piece : {1u, 2u, 3u, 5u, 8u, 9u, 10u, 17u, 64u, 255u, 4096u}) {
                    PieceSource pieces(program, piece);
                    EXPECT_EQ(listingOf(pieces, addresses, over65530), expected)
                        << "seed " << seed << " piece " << piece;
                }
            }
        }
    }
}

TEST(RandomLines, EveryCutListsThePartOfTheWholeListingItHolds)
{
    const std::string program = randomProgram(7, 60);
    MemorySource wholeSource(program);
    const std::string whole = listingOf(wholeSource, false, true);
    for (std::size_t length = 0; length < program.size(); ++length) {
        const std::string_view cut = std::string_view(program).substr(0, length);
        MemorySource source(cut);
        ProgramEnd end;
        const std::string listing = listingOf(source, false, true, &end);
        EXPECT_EQ(end, ProgramEnd::Truncated) << length;
        // Whole lines as in the whole listing, then the cut line as far as
        // it was read.
        const std::size_t lastEnd = listing.size() < 3 ? std::string::npos : listing.rfind("\r\n", listing.size() - 3);
        const std::size_t kept = lastEnd == std::string::npos ? 0 : lastEnd + 2;
        ASSERT_EQ(listing.substr(0, kept), whole.substr(0, kept)) << length;
        PieceSource pieces(cut, 7);
        EXPECT_EQ(listingOf(pieces, false, true), listing) << length;
    }
}

TEST(RandomLines, DecodeLineReadsToTheSameEndFromAnyPieces)
{
    std::mt19937 random(11);
    for (int n = 0; n < 300; ++n) {
        const std::string body = randomBody(random, {}) + "NEXT";
        MemorySource whole(body);
        LineBuffer line;
        ASSERT_TRUE(decodeLine(whole, line));
        std::uint8_t after = 0;
        ASSERT_TRUE(whole.next(after));
        EXPECT_EQ(after, 'N');
        EXPECT_LE(line.size(), MaxListedBody);
        for (const std::size_t piece : {1u, 4u, 9u}) {
            PieceSource pieces(body, piece);
            std::string text;
            EXPECT_TRUE(decodeLine(pieces, text));
            EXPECT_EQ(text, line.view());
            ASSERT_TRUE(pieces.next(after));
            EXPECT_EQ(after, 'N');
        }
    }
}
