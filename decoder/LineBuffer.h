// SPDX-License-Identifier: MIT
#pragma once
// The text of one listing line, built in place in a fixed array that every
// line reuses: no allocation and no regrowth per line.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace quillet {

class LineBuffer {
public:
    // The address and number before the body, the longest body listed
    // (255) and the longest item that crosses it (a real constant) fit with
    // room to spare; past it bytes are dropped rather than written beyond.
    static constexpr std::size_t Capacity = 512;

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    char operator[](std::size_t at) const noexcept { return data_[at]; }
    std::string_view view() const noexcept { return {data_, size_}; }
    operator std::string_view() const noexcept { return view(); }

    void clear() noexcept { size_ = 0; }
    void push_back(char c) noexcept
    {
        if (size_ < Capacity)
            data_[size_++] = c;
    }
    void append(const char* text, std::size_t count) noexcept
    {
        count = std::min(count, Capacity - size_);
        char* to = data_ + size_;
        size_ += count;
        // Keywords and numbers are a few bytes: copied inline by two
        // overlapping words, which a call to memcpy would cost more than.
        if (count >= 8 && count <= 16) {
            std::memcpy(to, text, 8);
            std::memcpy(to + count - 8, text + count - 8, 8);
        } else if (count >= 4 && count < 8) {
            std::memcpy(to, text, 4);
            std::memcpy(to + count - 4, text + count - 4, 4);
        } else if (count < 4) {
            for (std::size_t i = 0; i < count; ++i)
                to[i] = text[i];
        } else {
            std::memcpy(to, text, count);
        }
    }
    void append(const char* first, const char* last) noexcept { append(first, static_cast<std::size_t>(last - first)); }
    LineBuffer& operator+=(char c) noexcept
    {
        push_back(c);
        return *this;
    }
    LineBuffer& operator+=(std::string_view text) noexcept
    {
        append(text.data(), text.size());
        return *this;
    }
    // For a writer that fills the buffer in place: room() bytes may be
    // written at tail(), and grow() then counts those that were.
    std::size_t room() const noexcept { return Capacity - size_; }
    char* tail() noexcept { return data_ + size_; }
    void grow(std::size_t count) noexcept { size_ = std::min(size_ + count, Capacity); }
    // Only ever shortens.
    void resize(std::size_t size) noexcept { size_ = std::min(size, size_); }
    void pop_back() noexcept { --size_; }
    // Removes the byte at `at`.
    void erase(std::size_t at) noexcept
    {
        std::memmove(data_ + at, data_ + at + 1, size_ - at - 1);
        --size_;
    }

private:
    char data_[Capacity];
    std::size_t size_ = 0;
};

} // namespace quillet
