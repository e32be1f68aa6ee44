// SPDX-License-Identifier: MIT
// Whole programs into the ASCII listing.

#include "common/Errors.h"
#include "common/HexDigits.h"
#include "decoder/ListingConverter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace quillet;
using quillet::test::hexBytes;

namespace {

// The program bytes after the leading 0xFF.
std::string listingOf(std::string_view hex, bool showOver65530 = true)
{
    const std::string bytes = hexBytes(hex);
    MemorySource source(bytes);
    StringSink sink;
    convertTokenizedBasic(source, sink, ListingOptions{showOver65530});
    return sink.str();
}

std::string listingWithAddresses(std::string_view hex, bool showOver65530 = true)
{
    const std::string bytes = hexBytes(hex);
    MemorySource source(bytes);
    StringSink sink;
    ListingOptions options;
    options.isViewOverLine65530 = showOver65530;
    options.isViewLineAddress = true;
    convertTokenizedBasic(source, sink, options);
    return sink.str();
}

// Hands out one byte per refill, as a slow pipe would.
class TrickleSource final : public ByteSource {
public:
    explicit TrickleSource(std::string bytes) : bytes_(std::move(bytes)) {}

protected:
    bool refill() override
    {
        if (next_ == bytes_.size())
            return false;
        pos_ = reinterpret_cast<const std::uint8_t*>(bytes_.data()) + next_++;
        end_ = pos_ + 1;
        return true;
    }

private:
    std::string bytes_;
    std::size_t next_ = 0;
};

} // namespace

TEST(ListingConverter, EmptyPrograms)
{
    EXPECT_EQ(listingOf(""), "");
    EXPECT_EQ(listingOf("00 00"), "");
    EXPECT_EQ(listingOf("00"), "");
    EXPECT_EQ(listingOf("00 00 01 80 0A 00 91 00"), ""); // nothing after the end link is read
}

TEST(ListingConverter, LinesAndTheirEnds)
{
    EXPECT_EQ(listingOf("01 80 0A 00 91 00 00 00"), "10 PRINT\r\n");
    EXPECT_EQ(listingOf(R"(
        01 80  0A 00  91 00        # 10 PRINT
        09 80  05 00  81 00        # 5 END: numbers are kept as stored
        09 80  05 00  81 00        # and repeated
        00 00  FF FF FF            # end link, then bytes never read
    )"),
              "10 PRINT\r\n5 END\r\n5 END\r\n");
}

TEST(ListingConverter, LinesFrom65530AreShownOnlyWhenAsked)
{
    const char* program = R"(
        01 80  F9 FF  91 00        # 65529
        01 80  FA FF  81 00        # 65530
        01 80  FF FF  81 00        # 65535
        01 80  0A 00  9F 00        # 10 after them
        00 00
    )";
    EXPECT_EQ(listingOf(program, true), "65529 PRINT\r\n65530 END\r\n65535 END\r\n10 CLS\r\n");
    EXPECT_EQ(listingOf(program, false), "65529 PRINT\r\n10 CLS\r\n");
}

TEST(ListingConverter, EmptyBodyIsListedAsItsNumberAndTheBlank)
{
    // As MSX BASIC lists it; the program goes on after it.
    EXPECT_EQ(listingOf("07 80 0A 00 91 00  0C 80 14 00 00  12 80 1E 00 91 00 00 00"),
              "10 PRINT\r\n20 \r\n30 PRINT\r\n");
    // A body that lists as nothing is not empty.
    EXPECT_EQ(listingOf("01 80 0A 00 10 00  01 80 14 00 81 00  00 00"), "10 \r\n20 END\r\n");
}

TEST(ListingConverter, BodyStartingWithTabHasNoBlankBeforeIt)
{
    EXPECT_EQ(listingOf(R"(
        01 80  A0 00  09 20 C6 20 49 2C 41 00   # 160 TAB VPOKE I,A
        01 80  AA 00  20 09 91 00               # 170 blank TAB PRINT
        00 00
    )"),
              "160\t VPOKE I,A\r\n170  \tPRINT\r\n");
}

TEST(ListingConverter, LineAddressesFindTheirLinesEitherWay)
{
    // Lines at 8001H, 800AH and 8013H; a line address is kept as the address
    // of the byte before the line's link.
    const std::string program = hexBytes(R"(
        0A 80  0A 00  89 0D 12 80 00     # 10 GOTO (30)
        13 80  14 00  89 0D 00 80 00     # 20 GOTO (10)
        20 80  1E 00  8D 0D 09 80 2C 0D 00 F0 00   # 30 GOSUB (20),(beyond the program)
        00 00
    )");
    const std::string expected = "10 GOTO30\r\n20 GOTO10\r\n30 GOSUB20,61440\r\n";
    MemorySource whole(program);
    StringSink sink;
    EXPECT_EQ(convertTokenizedBasic(whole, sink, {}), ProgramEnd::Complete);
    EXPECT_EQ(sink.str(), expected);
    // Read ahead from a source that gives one byte at a time.
    TrickleSource trickle(program);
    StringSink trickled;
    EXPECT_EQ(convertTokenizedBasic(trickle, trickled, {}), ProgramEnd::Complete);
    EXPECT_EQ(trickled.str(), expected);
    // Cut inside the line pointed at: its number is past the end.
    MemorySource cut(std::string_view(program).substr(0, 0x13));
    StringSink cutSink;
    EXPECT_EQ(convertTokenizedBasic(cut, cutSink, {}), ProgramEnd::Truncated);
    EXPECT_EQ(cutSink.str(), "10 GOTO32786\r\n20 GOTO10\r\n");
}

TEST(ListingConverter, AddressesAreWhereTheLinesLieInTheFile)
{
    // The stored links are wrong on purpose: the lengths in the file count.
    const char* program = R"(
        01 80  0A 00  91 00               # 8001: 10 PRINT, 6 bytes
        FF FF  FA FF  8F 20 58 00         # 8007: 65530 REM X, 8 bytes
        34 12  1E 00  09 81 00            # 800F: 30 TAB END
        00 00
    )";
    EXPECT_EQ(listingWithAddresses(program), "8001 10 PRINT\r\n8007 65530 REM X\r\n800F 30\tEND\r\n");
    // A hidden line still takes its room.
    EXPECT_EQ(listingWithAddresses(program, false), "8001 10 PRINT\r\n800F 30\tEND\r\n");
    EXPECT_EQ(listingOf(program), "10 PRINT\r\n65530 REM X\r\n30\tEND\r\n");
}

TEST(ListingConverter, CutFilesKeepWhatTheyHold)
{
    EXPECT_EQ(listingOf("01 80 0A 00 91 20 22 41"), "10 PRINT \"A\r\n");
    EXPECT_EQ(listingOf("01 80 0A 00 91 00 01"), "10 PRINT\r\n");
    EXPECT_EQ(listingOf("01 80 0A 00 91 00 01 80 14"), "10 PRINT\r\n");
    EXPECT_EQ(listingOf("01 80 0A"), "");
}

TEST(ListingConverter, RealDigitAboveNineDoesNotStopTheListing)
{
    // MSX BASIC lists such a digit as the character after '9'.
    const std::string bytes = hexBytes("01 80 0A 00 91 00  01 80 2A 00 1D 41 AA 00 00 00  01 80 32 00 81 00  00 00");
    MemorySource source(bytes);
    StringSink sink;
    EXPECT_EQ(convertTokenizedBasic(source, sink, {}), ProgramEnd::Complete);
    EXPECT_EQ(sink.str(), "10 PRINT\r\n42 :.:\r\n50 END\r\n");
}

TEST(ListingConverter, FailingSinkEndsTheConversion)
{
    struct FullDisk : ByteSink {
        void write(const void*, std::size_t) override { throw QuilletError(ErrorKind::WriteFailed); }
    } sink;
    const std::string bytes = hexBytes("01 80 0A 00 91 00 00 00");
    MemorySource source(bytes);
    EXPECT_THROW(convertTokenizedBasic(source, sink, {}), QuilletError);
}

TEST(ListingConverter, EveryCutOfAProgramIsListedAsFarAsItGoesAndSaysSo)
{
    const std::string program = hexBytes(R"(
        01 80  0A 00  91 20 22 41 22 00     # 10 PRINT "A"
        01 80  14 00  1C 39 30 00           # 20 12345
        00 00
    )");
    const std::string whole = "10 PRINT \"A\"\r\n20 12345\r\n";
    for (std::size_t length = 0; length <= program.size(); ++length) {
        MemorySource source(std::string_view(program).substr(0, length));
        StringSink sink;
        const ProgramEnd end = convertTokenizedBasic(source, sink, {});
        const bool complete = length == program.size();
        EXPECT_EQ(end, complete ? ProgramEnd::Complete : ProgramEnd::Truncated) << length;
        // Once the first line is whole, it is listed whole.
        const std::string& got = sink.str();
        if (length >= 10)
            EXPECT_EQ(got.substr(0, 14), whole.substr(0, 14)) << length;
        if (complete)
            EXPECT_EQ(got, whole);
    }
    // An empty line is a line: the program ends at the end link after it,
    // and is cut without one; cut before its line end there is no line.
    const std::string endedProgram = hexBytes("01 80 0A 00 00 00 00");
    const std::string emptyLine = hexBytes("01 80 0A 00 00");
    const std::string cutEmptyLine = hexBytes("01 80 0A 00");
    MemorySource withEnd(endedProgram), ended(emptyLine), cut(cutEmptyLine);
    StringSink sink, cutSink;
    EXPECT_EQ(convertTokenizedBasic(withEnd, sink, {}), ProgramEnd::Complete);
    EXPECT_EQ(convertTokenizedBasic(ended, sink, {}), ProgramEnd::Truncated);
    EXPECT_EQ(sink.str(), "10 \r\n10 \r\n");
    EXPECT_EQ(convertTokenizedBasic(cut, cutSink, {}), ProgramEnd::Truncated);
    EXPECT_EQ(cutSink.str(), "");
}

TEST(ListingConverter, ProgramLongerThanMemoryListsTheSameFromAnySource)
{
    // 2000 lines of 20 bytes, line k at offset 20k numbered k + 1; the first
    // points at lines near the top of memory and past it.
    auto little = [](unsigned value) {
        return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    };
    auto pointerTo = [](unsigned line) { return ProgramStartAddress + 20 * line - 1; };
    std::string program;
    for (unsigned k = 0; k < 2000; ++k) {
        program += little(0x8015 + 20 * k) + little(k + 1);
        if (k == 0)
            program += "\x89\x0D" + little(pointerTo(1600)) + ",\x0D" + little(pointerTo(1638)) + ",\x0D"
                       + little(0xFFFE) + "   ";
        else
            program += "\x8F" + std::string(14, 'A');
        program += '\0';
    }
    program += std::string(2, '\0');
    ASSERT_EQ(program.size(), 40002u);

    MemorySource whole(program);
    StringSink wholeListing;
    EXPECT_EQ(convertTokenizedBasic(whole, wholeListing, {}), ProgramEnd::Complete);
    EXPECT_TRUE(wholeListing.str().starts_with("1 GOTO1601,1639,65534   \r\n2 REMAAAAAAAAAAAAAA\r\n"));
    EXPECT_TRUE(wholeListing.str().ends_with("\r\n2000 REMAAAAAAAAAAAAAA\r\n"));
    TrickleSource trickle(program);
    StringSink trickleListing;
    EXPECT_EQ(convertTokenizedBasic(trickle, trickleListing, {}), ProgramEnd::Complete);
    EXPECT_EQ(trickleListing.str(), wholeListing.str());
    // A file whose start was read ahead: all of it (taken in place), or
    // only its first bytes (the rest still to read).
    for (const std::size_t readAhead : {program.size(), std::size_t{100}}) {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
        ASSERT_TRUE(file);
        std::fwrite(program.data(), 1, program.size(), file.get());
        std::rewind(file.get());
        std::string head(program.size() + 1, '\0');
        head.resize(std::fread(head.data(), 1, readAhead == program.size() ? head.size() : readAhead, file.get()));
        FileSource fromFile(file.get(), std::move(head));
        EXPECT_EQ(fromFile.restInMemory().has_value(), readAhead == program.size());
        StringSink fileListing;
        EXPECT_EQ(convertTokenizedBasic(fromFile, fileListing, {}), ProgramEnd::Complete);
        EXPECT_EQ(fileListing.str(), wholeListing.str()) << readAhead;
    }

    // Addresses past FFFFH wrap round, as four digits.
    const std::string withAddresses = listingWithAddresses([&] {
        std::string hex;
        for (const char c : program)
            hex += std::string{upperHexDigit(static_cast<std::uint8_t>(c) >> 4), upperHexDigit(c), ' '};
        return hex;
    }());
    EXPECT_NE(withAddresses.find("\r\nFFF9 1639 REM"), std::string::npos);
    EXPECT_NE(withAddresses.find("\r\n000D 1640 REM"), std::string::npos);
}
