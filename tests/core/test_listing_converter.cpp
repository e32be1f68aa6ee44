// Whole programs into the ASCII listing.

#include "common/Errors.h"
#include "decoder/ListingConverter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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

TEST(ListingConverter, EmptyBodyEndsTheProgram)
{
    EXPECT_EQ(listingOf("01 80 0A 00 91 00  01 80 14 00 00  01 80 1E 00 81 00 00 00"), "10 PRINT\r\n");
}

TEST(ListingConverter, CutFilesKeepWhatTheyHold)
{
    EXPECT_EQ(listingOf("01 80 0A 00 91 20 22 41"), "10 PRINT \"A\r\n");
    EXPECT_EQ(listingOf("01 80 0A 00 91 00 01"), "10 PRINT\r\n");
    EXPECT_EQ(listingOf("01 80 0A 00 91 00 01 80 14"), "10 PRINT\r\n");
    EXPECT_EQ(listingOf("01 80 0A"), "");
}

TEST(ListingConverter, BadConstantNamesItsLineAndKeepsEarlierLines)
{
    const std::string bytes = hexBytes("01 80 0A 00 91 00  01 80 2A 00 1D 41 AA 00 00 00  00 00");
    MemorySource source(bytes);
    StringSink sink;
    try {
        convertTokenizedBasic(source, sink, {});
        FAIL() << "no error";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::DamagedProgram);
        EXPECT_NE(std::string(error.what()).find("line 42"), std::string::npos) << error.what();
    }
    EXPECT_EQ(sink.str(), "10 PRINT\r\n");
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
    // An empty line is a proper end; cut before its line end it is not.
    const std::string emptyLine = hexBytes("01 80 0A 00 00");
    const std::string cutEmptyLine = hexBytes("01 80 0A 00");
    MemorySource ended(emptyLine), cut(cutEmptyLine);
    StringSink sink;
    EXPECT_EQ(convertTokenizedBasic(ended, sink, {}), ProgramEnd::Complete);
    EXPECT_EQ(convertTokenizedBasic(cut, sink, {}), ProgramEnd::Truncated);
}
