// SPDX-License-Identifier: MIT
#pragma once
// The writer behind every listing output format. A format is tables: the
// text of each byte on its own, and for a few lead bytes (the graphic
// prefix, CR) the text of the pair each makes with the byte after it. The
// writer takes the ASCII listing in pieces of any size, a pair split
// between two included, and writes the texts in large blocks; it gives no
// byte a meaning of its own.

#include "common/ByteStream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// What the writer does with an entry of a format's tables.
enum class ListingRole : std::uint8_t {
    Plain,    // writes its text
    LineEnd,  // writes its text, which ends a line
    Unpaired, // in a lead's pairs: no pair; the lead's own text, then the next byte on its own
};

template <std::size_t Width> class ListingWriter {
public:
    // A text padded to Width bytes, so that it is always copied whole.
    struct Entry {
        char text[Width - 2];
        ListingRole role;
        std::uint8_t size;

        static Entry of(std::string_view text, ListingRole role = ListingRole::Plain)
        {
            if (text.size() > sizeof(Entry::text))
                throw std::length_error("a listing entry's text is longer than its width");
            Entry entry{};
            text.copy(entry.text, text.size());
            entry.role = role;
            entry.size = static_cast<std::uint8_t>(text.size());
            return entry;
        }
    };

    struct Format {
        // A byte whose text depends on the byte after it.
        struct Lead {
            std::uint8_t byte = 0;
            std::array<Entry, 256> pairs{}; // by the byte after the lead
            Entry atEnd{};                  // the lead as the listing's last byte
        };

        std::array<Entry, 256> bytes{}; // each byte on its own, a lead when it pairs with nothing
        std::vector<Lead> leads;
        std::string prologue; // before the listing
        std::string epilogue; // after it
    };

    // The prologue goes out with the first block.
    ListingWriter(ByteSink& out, Format format);
    ListingWriter(const ListingWriter&) = delete;
    ListingWriter& operator=(const ListingWriter&) = delete;

    void write(const void* data, std::size_t size);
    // Writes `text` into the output as it is, between listing bytes (a
    // colour change). A lead that ended the last piece is written first as
    // pairing with nothing.
    void writeText(std::string_view text);
    // Writes what is left and the epilogue; nothing may be written after it.
    // The line count: the line ends written, and one more for a last line
    // without one or for an empty listing. Throws the sink's error.
    std::int64_t finish();

private:
    using Lead = typename Format::Lead;
    void append(const Entry& entry);
    void append(std::string_view text);
    void flushIfFull();

    ByteSink& out_;
    Format format_;
    std::array<std::uint8_t, 256> leadOf_{}; // 1 + the index in format_.leads of a lead byte, else 0
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
    const Lead* pending_ = nullptr; // a lead that ended the last piece
    std::int64_t lines_ = 0;
    bool lineOpen_ = false; // something follows the last line end
};

// The widths the formats use; a format with longer texts adds its own.
extern template class ListingWriter<8>;
extern template class ListingWriter<16>;

} // namespace quillet
