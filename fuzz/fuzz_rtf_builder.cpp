// SPDX-License-Identifier: MIT
// Random listings through the RTF builder, and the result back through the
// RTF reader. The last byte picks the mode, the 0xAD mapping and the
// mapped code; the whole input, that byte too, is the listing, since any
// byte sequence is one.

#include "common/ByteStream.h"
#include "render/RtfListing.h"
#include "render/RtfReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillet::RtfListingOptions options;
    if (size > 0) {
        const std::uint8_t bits = data[size - 1];
        options.isAnkMode = (bits & 1) != 0;
        options.isMap0xAD = (bits & 2) != 0;
        options.mapCodeFrom0xAD = (bits & 4) != 0 ? bits * 3 - 200 : 0x7F; // sometimes out of range
        options.fontCharset = (bits & 8) != 0 ? 128 : 2;
    }
    const std::string_view listing(reinterpret_cast<const char*>(data), size);
    quillet::MemorySource source(listing);
    quillet::StringSink sink;
    const std::int64_t lines = quillet::writeRtfListing(source, sink, options);
    const std::string& rtf = sink.str();

    // Header line, closing, and only escapes in between.
    const std::string header = quillet::rtfListingHeader(options) + "\r\n";
    check(rtf.compare(0, header.size(), header) == 0);
    check(rtf.size() >= header.size() + 7 && rtf.compare(rtf.size() - 7, 7, "\\par}\r\n") == 0);
    for (std::size_t i = header.size(); i < rtf.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(rtf[i]);
        check(c >= 0x20 ? c < 0x7F : (c == '\r' || c == '\n'));
    }

    // The same line count and characters, worked out independently.
    // A line ends at CR LF or at a CR that ends the listing; any other CR
    // or LF is a character of its line.
    std::int64_t expectedLines = 0;
    bool open = false;
    std::string expected; // font digit and byte per character, '|' per paragraph
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        open = true;
        if (b == 0x01) {
            if (++i == size)
                break;
            expected += options.isAnkMode ? '1' : '0';
            expected += static_cast<char>(data[i]);
        } else if (b == 0x0D && (i + 1 == size || data[i + 1] == 0x0A)) {
            ++expectedLines;
            expected += '|';
            open = false;
            ++i;
        } else if (b == 0xAD && options.isAnkMode && options.isMap0xAD) {
            expected += '2';
            expected += static_cast<char>(quillet::mappedCodeFor0xAD(options));
        } else {
            expected += '0';
            expected += static_cast<char>(b);
        }
    }
    if (open || expectedLines == 0)
        ++expectedLines;
    check(lines == expectedLines);

    const quillet::RtfDocument doc = quillet::readRtf(rtf);
    std::string read;
    for (const quillet::RtfRun& run : doc.runs) {
        check(run.kind != quillet::RtfRun::Kind::Text);
        if (run.kind == quillet::RtfRun::Kind::ParagraphEnd) {
            read += '|';
            continue;
        }
        for (const char byte : doc.bytesOf(run)) {
            read += static_cast<char>('0' + run.font);
            read += byte;
        }
    }
    check(read == expected + '|');
    check(doc.fonts.size() == (options.isAnkMode ? 3u : 2u));
    return 0;
}
