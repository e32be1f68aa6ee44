// SPDX-License-Identifier: MIT
#include "render/ListingWriter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillet {

namespace {

// The output goes out in blocks of this size; a run of input is written
// between two looks at the room left, each byte needing at most one
// padded entry.
constexpr std::size_t BlockSize = 256 * 1024;
constexpr std::size_t RunBytes = 4096;

template <std::size_t Width> constexpr std::size_t BlockCapacity = BlockSize + (RunBytes + 1) * Width;

} // namespace

template <std::size_t Width> ListingWriter<Width>::ListingWriter(ByteSink& out, Format format)
    : out_(out), format_(std::move(format)), block_(std::make_unique<char[]>(BlockCapacity<Width>))
{
    static_assert(sizeof(Entry) == Width);
    if (format_.leads.size() > 255)
        throw std::length_error("a listing format has more lead bytes than its lead table numbers");
    for (std::size_t index = 0; index < format_.leads.size(); ++index)
        leadOf_[format_.leads[index].byte] = static_cast<std::uint8_t>(index + 1);
    append(format_.prologue);
    flushIfFull();
}

template <std::size_t Width> void ListingWriter<Width>::append(const Entry& entry)
{
    std::memcpy(block_.get() + used_, &entry, sizeof entry);
    used_ += entry.size;
}

template <std::size_t Width> void ListingWriter<Width>::append(std::string_view text)
{
    if (text.size() > BlockCapacity<Width> - used_) {
        out_.write(block_.get(), used_);
        used_ = 0;
        if (text.size() > BlockCapacity<Width>) {
            out_.write(text);
            return;
        }
    }
    std::memcpy(block_.get() + used_, text.data(), text.size());
    used_ += text.size();
}

template <std::size_t Width> void ListingWriter<Width>::flushIfFull()
{
    if (used_ >= BlockSize) {
        out_.write(block_.get(), used_);
        used_ = 0;
    }
}

template <std::size_t Width> void ListingWriter<Width>::write(const void* data, std::size_t size)
{
    const auto* at = static_cast<const std::uint8_t*>(data);
    const std::uint8_t* const end = at + size;
    if (at == end)
        return;
    const std::uint8_t* lineEnd = nullptr; // just past the last line end of this piece
    // A lead that ended the last piece pairs with this piece's first byte.
    if (pending_) {
        const Entry& pair = pending_->pairs[*at];
        if (pair.role == ListingRole::Unpaired) {
            append(format_.bytes[pending_->byte]); // and the byte goes on as any other
        } else {
            append(pair);
            ++at;
            if (pair.role == ListingRole::LineEnd) {
                ++lines_;
                lineEnd = at;
            }
        }
        pending_ = nullptr;
        flushIfFull();
    }
    const Entry* const bytes = format_.bytes.data();
    while (at < end) {
        const std::uint8_t* const runEnd = at + std::min<std::size_t>(static_cast<std::size_t>(end - at), RunBytes);
        char* out = block_.get() + used_;
        while (at < runEnd) {
            const std::uint8_t byte = *at;
            const Entry& entry = bytes[byte];
            // Asked of a table of its own, not of the entry, so that the
            // branch waits on the byte alone.
            const std::uint8_t leadNumber = leadOf_[byte];
            if (leadNumber == 0) [[likely]] {
                std::memcpy(out, &entry, sizeof(Entry));
                out += entry.size;
                ++at;
                continue;
            }
            const Lead& lead = format_.leads[leadNumber - 1];
            if (at + 1 == end) {
                pending_ = &lead;
                ++at;
                continue;
            }
            const Entry& pair = lead.pairs[at[1]];
            const bool paired = pair.role != ListingRole::Unpaired;
            const Entry& written = paired ? pair : entry;
            std::memcpy(out, &written, sizeof(Entry));
            out += written.size;
            at += paired ? 2 : 1;
            if (pair.role == ListingRole::LineEnd) {
                ++lines_;
                lineEnd = at;
            }
        }
        used_ = static_cast<std::size_t>(out - block_.get());
        flushIfFull();
    }
    lineOpen_ = lineEnd != end;
}

template <std::size_t Width> void ListingWriter<Width>::writeText(std::string_view text)
{
    if (pending_) {
        append(format_.bytes[pending_->byte]);
        pending_ = nullptr;
        lineOpen_ = true;
    }
    append(text);
    flushIfFull();
}

template <std::size_t Width> std::int64_t ListingWriter<Width>::finish()
{
    if (pending_) {
        // A write leaves less than a block, so the entry has room.
        append(pending_->atEnd);
        if (pending_->atEnd.role == ListingRole::LineEnd) {
            ++lines_;
            lineOpen_ = false;
        }
        pending_ = nullptr;
    }
    append(format_.epilogue);
    out_.write(block_.get(), used_);
    used_ = 0;
    if (lineOpen_ || lines_ == 0)
        ++lines_;
    return lines_;
}

template class ListingWriter<8>;
template class ListingWriter<16>;

} // namespace quillet
