// SPDX-License-Identifier: MIT
#include "container/MemberNames.h"

#include "common/Utf8.h"
#include "render/CodePage.h"

namespace quillet {

std::string cp932ToUtf8(std::string_view bytes)
{
    std::u32string decoded;
    CodePageDecoder(932).decode(bytes, decoded);
    std::string utf8;
    for (const char32_t c : decoded)
        appendUtf8(utf8, c);
    return utf8;
}

std::string msxNameToUtf8(std::string_view bytes)
{
    std::string utf8 = cp932ToUtf8(bytes);
    // A "/" of an MSX name is no folder separator.
    for (char& c : utf8) {
        if (c == '/')
            c = '_';
    }
    return readableMemberPath(utf8);
}

std::string tapeNameToUtf8(std::string_view bytes)
{
    std::string out;
    char32_t previous = 0;
    for (char32_t c : decodeUtf8(cp932ToUtf8(bytes))) {
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == '/' || (c == ':' && previous == ':'))
            c = '_';
        appendUtf8(out, c);
        previous = c;
    }
    return out;
}

std::string readableMemberPath(std::string_view text)
{
    std::string out;
    for (const char32_t c : decodeUtf8(text)) {
        // ":" would split a member path, control characters a listing line.
        if (c < 0x20 || c == 0x7F || c == ':' || c == '\\' || (c >= 0x80 && c < 0xA0))
            out += '_';
        else
            appendUtf8(out, c);
    }
    return out;
}

std::string foldCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

} // namespace quillet
