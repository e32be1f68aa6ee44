// SPDX-License-Identifier: MIT
// The kinds of document and the conversions the viewer and quillet-convert
// share.

#include "common/Errors.h"
#include "document/Document.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quillet;
using namespace quillet::test;

namespace {

std::string listingOf(std::string_view file, const ListingOptions& options = {})
{
    MemorySource source(file);
    const DocumentHead head = readDocumentHead(source, "file");
    StringSink out;
    writeListing(head, source, out, options);
    return out.str();
}

} // namespace

TEST(Document, KindIsTheFirstByteAlone)
{
    EXPECT_EQ(documentKindOf(0xFF), DocumentKind::TokenizedBasic);
    EXPECT_EQ(documentKindOf(0xFE), DocumentKind::BsaveImage);
    EXPECT_EQ(documentKindOf(0x31), DocumentKind::AsciiText);
    EXPECT_EQ(documentKindOf(std::nullopt), DocumentKind::AsciiText) << "an empty file is an empty listing";
    EXPECT_EQ(documentKindInfo(DocumentKind::BsaveImage).role, DocumentRole::Picture);
    EXPECT_EQ(documentKindInfo(DocumentKind::TokenizedBasic).mimeType, "application/x-msx-basic");
    EXPECT_EQ(documentKindInfo(DocumentKind::AsciiText).mimeType, "text/plain");
    // Every kind has its row (a kind told by name or by content alone has
    // two, alike), and only the last row takes any file.
    for (const DocumentKindInfo& info : DocumentKinds) {
        EXPECT_EQ(documentKindInfo(info.kind).kind, info.kind);
        EXPECT_EQ(documentKindInfo(info.kind).role, info.role);
    }
    EXPECT_EQ(DocumentKinds[std::size(DocumentKinds) - 1].firstByte, AnyFirstByte);
    EXPECT_EQ(DocumentKinds[std::size(DocumentKinds) - 1].test, nullptr);
}

TEST(Document, ListingsAreConvertedOrCopiedWhole)
{
    const std::string program = hexBytes("FF 01 80 0A 00 91 00 01 80 FA FF 81 00 00 00");
    EXPECT_EQ(listingOf(program), "10 PRINT\r\n65530 END\r\n");
    EXPECT_EQ(listingOf(program, ListingOptions{false}), "10 PRINT\r\n");
    // Text keeps its first byte and everything after it, as the ASCII save copies it.
    EXPECT_EQ(listingOf("10 CLS\n\x01\x41\xAD"), "10 CLS\n\x01\x41\xAD");
    EXPECT_EQ(listingOf(""), "");
}

TEST(Document, ReadErrorsAndMisuseAreNamed)
{
    FailingSource failing("");
    try {
        readDocumentHead(failing, "broken");
        ADD_FAILURE() << "a failed read was taken for an empty file";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::ReadFailed);
        EXPECT_EQ(error.detail(), "broken");
    }

    const std::string picture = hexBytes("FE 00 00 00 00 00 00");
    MemorySource source(picture);
    const DocumentHead head = readDocumentHead(source, "title.sc5");
    StringSink out;
    EXPECT_THROW(writeListing(head, source, out, {}), std::invalid_argument);
    EXPECT_TRUE(out.str().empty());
}
