// Random bytes after the 0xFF of a tokenized program, through the whole
// conversion. The last byte picks the 65530 option.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "decoder/ListingConverter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quillet::ListingOptions options;
    if (size > 0)
        options.isViewOverLine65530 = (data[size - 1] & 1) != 0;
    quillet::MemorySource source(std::span(data, size));
    quillet::StringSink sink;
    try {
        quillet::convertTokenizedBasic(source, sink, options);
    } catch (const quillet::QuilletError& error) {
        if (error.kind() != quillet::ErrorKind::DamagedProgram)
            std::abort(); // memory input never fails to read
    }
    // A listing is lines of a number, a blank unless the body
    // starts with TAB, and a body of at most 255 bytes ending in CR LF; the
    // codes 0x0B to 0x1F are constants, so no body holds them or 0x00.
    const std::string& listing = sink.str();
    std::size_t i = 0;
    while (i < listing.size()) {
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
