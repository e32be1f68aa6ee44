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
    std::int64_t expectedLines = 0;
    std::uint8_t last = 0;
    std::string expected; // font digit and byte per character, '|' per paragraph
    for (std::size_t i = 0; i < size; ++i) {
        last = data[i];
        if (last == 0x01) {
            if (++i == size)
                break;
            expected += options.isAnkMode ? '1' : '0';
            expected += static_cast<char>(data[i]);
        } else if (last == 0x0D) {
            ++expectedLines;
            expected += '|';
        } else if (last == 0xAD && options.isAnkMode && options.isMap0xAD) {
            expected += '2';
            expected += static_cast<char>(quillet::mappedCodeFor0xAD(options));
        } else if (last != 0x0A) {
            expected += '0';
            expected += static_cast<char>(last);
        }
    }
    if (last != 0x0D && last != 0x0A)
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
