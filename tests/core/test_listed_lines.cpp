// SPDX-License-Identifier: MIT
// A listing document line by line with its roles: the same lines and text
// as the ASCII listing, for programs and text listings alike.

#include "document/Document.h"
#include "document/ListedLines.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillet;
using quillet::test::hexBytes;

namespace {

struct Walked {
    std::vector<std::string> texts;
    std::vector<std::optional<std::uint16_t>> numbers;
    std::vector<std::uint16_t> references; // every LineReference span's line
    ProgramEnd end = ProgramEnd::Complete;
};

Walked walk(const std::string& document, const ListingOptions& options)
{
    MemorySource source(document);
    const DocumentHead head = readDocumentHead(source, "doc");
    Walked walked;
    walked.end = forEachListedLine(head, source, options, [&](const ListedLine& line) {
        walked.texts.emplace_back(line.text);
        walked.numbers.push_back(line.number);
        std::size_t covered = 0;
        for (const RoleSpan& span : line.roles) {
            EXPECT_GE(span.start, covered) << "spans out of order in " << line.text;
            EXPECT_GT(span.length, 0u);
            covered = span.start + span.length;
            if (span.role == Role::LineReference)
                walked.references.push_back(referencedLine(line, span));
        }
        EXPECT_LE(covered, line.text.size());
        if (line.number) {
            ASSERT_FALSE(line.roles.empty());
            EXPECT_EQ(line.roles.front().role, Role::LineNumber);
            EXPECT_EQ(line.text.substr(line.roles.front().start, line.roles.front().length),
                      std::to_string(*line.number));
        }
    });
    return walked;
}

std::string listing(const std::string& document, const ListingOptions& options)
{
    MemorySource source(document);
    const DocumentHead head = readDocumentHead(source, "doc");
    StringSink sink;
    writeListing(head, source, sink, options);
    return sink.str();
}

} // namespace

TEST(ListedLines, AreTheListingsLinesForEveryOption)
{
    // 10 GOTO 20 (a line address), 20 with an empty body, 30 TAB PRINT,
    // 65530 and 65535 hidden unless asked, 40 ON X GOTO 10,30, then the
    // program is cut inside line 50.
    const std::string program = hexBytes("FF"
                                         "0B 80 0A 00  89 20 0D 0A 80 00"
                                         "0C 80 14 00  00"
                                         "12 80 1E 00  09 91 00"
                                         "18 80 FA FF  91 00"
                                         "1E 80 FF FF  8F 41 00"
                                         "2A 80 28 00  95 20 58 20 89 20 0E 0A 00 2C 0E 1E 00 00"
                                         "30 80 32 00  91 22 41");
    for (const bool hidden : {false, true}) {
        for (const bool addresses : {false, true}) {
            SCOPED_TRACE(testing::Message() << "hidden " << hidden << " addresses " << addresses);
            ListingOptions options;
            options.isViewOverLine65530 = hidden;
            options.isViewLineAddress = addresses;
            const Walked walked = walk(program, options);
            std::string joined;
            for (const std::string& text : walked.texts)
                joined += text + "\r\n";
            EXPECT_EQ(joined, listing(program, options));
            EXPECT_EQ(walked.end, ProgramEnd::Truncated);
            EXPECT_EQ(walked.texts.size(), hidden ? 7u : 5u);
            EXPECT_EQ(walked.references, (std::vector<std::uint16_t>{20, 10, 30}));
        }
    }
    const Walked plain = walk(program, {});
    EXPECT_EQ(plain.texts[1], "20 ");
    EXPECT_EQ(plain.texts[2], "30\tPRINT");
}

TEST(ListedLines, TextListingLinesEndAtCrLfAsTheListingsReadersTakeThem)
{
    // A lone LF or CR is a byte of its line, and so is a CR after the
    // graphic prefix; a CR that ends the listing ends its line.
    const std::string text = "10 PRINT\"A\nB\"\r\n"
                             "\r\n"
                             "  20 GOTO 10:' x\ry\r\n"
                             "REM no number\x01\r\n"
                             "30 ?\r";
    const Walked walked = walk(text, {});
    EXPECT_EQ(walked.texts,
              (std::vector<std::string>{"10 PRINT\"A\nB\"", "", "  20 GOTO 10:' x\ry", "REM no number\x01\r\n30 ?"}));
    EXPECT_EQ(walked.numbers, (std::vector<std::optional<std::uint16_t>>{10, std::nullopt, 20, std::nullopt}));
    EXPECT_EQ(walked.references, (std::vector<std::uint16_t>{10}));
    // The same without the last CR: a last line without its end.
    EXPECT_EQ(walk(text.substr(0, text.size() - 1), {}).texts.back(), "REM no number\x01\r\n30 ?");
    // Options that only programs have change nothing.
    ListingOptions options;
    options.isViewOverLine65530 = false;
    options.isViewLineAddress = true;
    EXPECT_EQ(walk("65535 A\r\n", options).texts, std::vector<std::string>{"65535 A"});
    EXPECT_TRUE(walk("", {}).texts.empty());
}
