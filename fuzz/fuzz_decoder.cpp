// SPDX-License-Identifier: MIT
// Random bytes after the 0xFF of a tokenized program, through the whole
// conversion, and line by line with the roles. The last byte picks the
// options: bit 0 the lines from 65530, bit 1 the line addresses. The lines
// walked are the listing's lines; their roles are in order inside the
// body, never empty, and a line reference is decimal digits.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "decoder/ListingConverter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillet::ListingOptions options;
    if (size > 0) {
        options.isViewOverLine65530 = (data[size - 1] & 1) != 0;
        options.isViewLineAddress = (data[size - 1] & 2) != 0;
    }
    quillet::MemorySource source(std::span(data, size));
    quillet::StringSink sink;
    try {
        quillet::convertTokenizedBasic(source, sink, options);
    } catch (const quillet::QuilletError&) {
        std::abort(); // every byte lists as MSX BASIC lists it, and memory never fails to read
    }
    // A listing is lines of [address blank] number, a blank unless the body
    // starts with TAB, and a body of at most 255 bytes ending in CR LF; the
    // codes 0x0B to 0x1F are constants, so no body holds them or 0x00.
    const std::string& listing = sink.str();
    std::string walked;
    quillet::MemorySource again(std::span(data, size));
    quillet::LineRoles roles;
    quillet::forEachProgramLine(again, options, &roles, [&](const quillet::ListingLine& line) {
        walked.append(line.text).append("\r\n");
        std::size_t covered = 0;
        for (const quillet::RoleSpan& span : roles) {
            if (span.start < covered || span.length == 0 || span.start + span.length > line.text.size())
                std::abort();
            covered = span.start + span.length;
            if (span.role == quillet::Role::LineReference || span.role == quillet::Role::LineNumber)
                for (const char c : line.text.substr(span.start, span.length))
                    if (c < '0' || c > '9')
                        std::abort();
        }
    });
    if (walked != listing)
        std::abort();
    std::size_t i = 0;
    while (i < listing.size()) {
        if (options.isViewLineAddress) {
            if (listing.size() - i < 5 || !isHexDigit(listing[i]) || !isHexDigit(listing[i + 1])
                || !isHexDigit(listing[i + 2]) || !isHexDigit(listing[i + 3]) || listing[i + 4] != ' ')
                std::abort();
            i += 5;
        }
        std::size_t digits = 0;
        while (i < listing.size() && listing[i] >= '0' && listing[i] <= '9') {
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 5 || i >= listing.size() || (listing[i] != ' ' && listing[i] != '\t'))
            std::abort();
        if (listing[i] == ' ') {
            ++i;
            if (i < listing.size() && listing[i] == '\t')
                std::abort();
        }
        std::size_t body = 0;
        while (i < listing.size() && listing[i] != '\r') {
            const auto c = static_cast<std::uint8_t>(listing[i]);
            if (c == 0x00 || (c >= 0x0B && c <= 0x1F))
                std::abort();
            ++i;
            ++body;
        }
        if (body > 255 || i + 1 >= listing.size() || listing[i + 1] != '\n')
            std::abort();
        i += 2;
    }
    return 0;
}
