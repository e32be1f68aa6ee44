// SPDX-License-Identifier: MIT
// Random text through the reader of UTF-8 listings (--tokenize --utf8),
// and random listings written as UTF-8 and read back. The last byte picks
// the character set and which of the two the rest is. The reader fails
// only with a listing error; what the writer writes (also of what the
// reader took), the reader always takes, and writing what it read gives
// the same text.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "render/Utf8Listing.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace quillet;

std::string written(std::string_view listing, msx::CharacterSet set)
{
    MemorySource source(listing);
    StringSink sink;
    writeUtf8Listing(source, sink, set);
    return sink.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr msx::CharacterSet sets[] = {msx::CharacterSet::Japanese, msx::CharacterSet::International,
                                                 msx::CharacterSet::Brazilian};
    if (size == 0)
        return 0;
    const std::uint8_t bits = data[size - 1];
    const msx::CharacterSet set = sets[(bits & 3) % 3];
    const std::string_view input(reinterpret_cast<const char*>(data), size - 1);

    std::string text;
    if (bits & 4) {
        text = written(input, set);
    } else {
        try {
            text = written(readUtf8Listing(input, set), set);
        } catch (const QuilletError& error) {
            if (error.kind() != ErrorKind::BadListing)
                std::abort();
            return 0;
        }
    }
    // Whatever the writer wrote reads back, and writes as it was.
    if (written(readUtf8Listing(text, set), set) != text)
        std::abort();
    return 0;
}
