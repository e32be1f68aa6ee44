// SPDX-License-Identifier: MIT
#pragma once
// Code-page conversions of the listing renderer, on glibc iconv: font
// names go into the RTF font table as code page 932 bytes, and RTF text
// in a code-page font comes back out as Unicode.

#include "common/Utf8.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// A font name (UTF-8) as it goes into an RTF font table of a code page 932
// document: characters of code page 932 as their bytes, so that a reader
// gets the name back; "\", "{" and "}" (also as the second byte of a
// double-byte character) and control bytes as escapes, so that the name
// cannot break the group structure of the document; any other character
// as "\uN?" (the Unicode escape with "?" for readers without Unicode).
std::string rtfFontNameCp932(std::string_view utf8);

// The Windows code page that an RTF font character set stands for, or 0
// for the symbol set (one byte is one glyph) and -1 when the character set
// says nothing (the document's code page applies).
int codePageOfCharset(int charset);

// Decodes bytes of a Windows code page, reusing one converter for a whole
// document. Each byte that does not decode becomes U+FFFD; a code page
// without a converter is read as Latin-1.
class CodePageDecoder {
public:
    explicit CodePageDecoder(int codePage);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    int codePage() const noexcept { return codePage_; }
    // Appends the characters of `bytes` to `out`.
    void decode(std::string_view bytes, std::u32string& out);

private:
    void open();

    int codePage_;
    bool opened_ = false;
    void* converter_; // iconv_t, or null for Latin-1; opened at the first byte past ASCII
};

// The code page 932 bytes of one character (one byte for ASCII and
// half-width kana, two for the rest), or nullopt when it has none.
std::optional<std::string> encodeCp932(char32_t c);

} // namespace quillet
