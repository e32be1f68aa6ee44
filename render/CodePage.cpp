// SPDX-License-Identifier: MIT
#include "render/CodePage.h"

#include "render/RtfEscape.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace quillet {

namespace {

const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

std::string iconvName(int codePage)
{
    switch (codePage) {
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    case 65001: return "UTF-8";
    default: return "CP" + std::to_string(codePage);
    }
}

} // namespace

std::string rtfFontNameCp932(std::string_view utf8)
{
    std::string out;
    // ASCII is itself in code page 932: the converter (glibc loads its
    // tables from disk) is opened for the first character past it only.
    iconv_t converter = NoConverter;
    bool opened = false;
    for (const char32_t c : decodeUtf8(utf8)) {
        char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                      static_cast<char>((c >> 16) & 0xFF), static_cast<char>((c >> 24) & 0xFF)};
        char bytes[8];
        std::size_t produced = 0;
        if (c < 0x80) {
            bytes[0] = static_cast<char>(c);
            produced = 1;
        } else if (!opened) {
            converter = iconv_open("CP932", "UTF-32LE");
            opened = true;
        }
        if (produced == 0 && converter != NoConverter && c != ReplacementCharacter) {
            char* inPtr = in;
            std::size_t inLeft = sizeof in;
            char* outPtr = bytes;
            std::size_t outLeft = sizeof bytes;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
            if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
                produced = sizeof bytes - outLeft;
        }
        if (produced == 1) {
            const auto byte = static_cast<std::uint8_t>(bytes[0]);
            if (byte < 0x20 || byte == 0x7F)
                appendRtfHexEscape(out, byte);
            else if (isRtfSpecial(byte))
                out += '\\', out += static_cast<char>(byte);
            else
                out += static_cast<char>(byte);
        } else if (produced == 2) {
            // A trail byte that reads as "\", "{" or "}" would end the name
            // or the group; the whole character goes as escapes then.
            if (isRtfSpecial(static_cast<std::uint8_t>(bytes[1]))) {
                appendRtfHexEscape(out, static_cast<std::uint8_t>(bytes[0]));
                appendRtfHexEscape(out, static_cast<std::uint8_t>(bytes[1]));
            } else {
                out.append(bytes, 2);
            }
        } else {
            appendRtfUnicodeEscape(out, c);
        }
    }
    if (converter != NoConverter)
        iconv_close(converter);
    return out;
}

int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;   // ANSI
    case 2: return 0;      // symbol: no decoding
    case 77: return 10000; // Mac Roman
    case 128: return 932;  // Shift-JIS
    case 129: return 949;  // Hangul
    case 130: return 1361; // Johab
    case 134: return 936;  // GB2312
    case 136: return 950;  // Big5
    case 161: return 1253; // Greek
    case 162: return 1254; // Turkish
    case 163: return 1258; // Vietnamese
    case 177: return 1255; // Hebrew
    case 178: return 1256; // Arabic
    case 186: return 1257; // Baltic
    case 204: return 1251; // Cyrillic
    case 222: return 874;  // Thai
    case 238: return 1250; // Eastern Europe
    case 254: return 437;  // PC 437
    case 255: return 850;  // OEM
    default: return -1;    // default charset and unknown values
    }
}

CodePageDecoder::CodePageDecoder(int codePage) : codePage_(codePage), converter_(nullptr)
{}

void CodePageDecoder::open()
{
    opened_ = true;
    if (codePage_ > 0) {
        iconv_t converter = iconv_open("UTF-32LE", iconvName(codePage_).c_str());
        if (converter != NoConverter)
            converter_ = converter;
    }
}

CodePageDecoder::~CodePageDecoder()
{
    if (converter_)
        iconv_close(static_cast<iconv_t>(converter_));
}

void CodePageDecoder::decode(std::string_view bytes, std::u32string& out)
{
    if (!opened_) {
        // Code pages that keep ASCII as it is need no converter for it
        // (glibc loads each converter's tables from disk): a listing's
        // font names never open one.
        const bool keepsAscii = codePage_ == 932 || codePage_ == 1252 || codePage_ == 10000 || codePage_ == 20127
                                || codePage_ == 28591 || codePage_ == 65001;
        if (keepsAscii
            && std::all_of(bytes.begin(), bytes.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; })) {
            out.append(bytes.begin(), bytes.end());
            return;
        }
        open();
    }
    if (!converter_) {
        for (const char byte : bytes)
            out += static_cast<std::uint8_t>(byte);
        return;
    }
    auto converter = static_cast<iconv_t>(converter_);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
        const std::size_t produced = sizeof buffer - outLeft;
        for (std::size_t k = 0; k + 3 < produced; k += 4) {
            out += static_cast<char32_t>(static_cast<std::uint8_t>(buffer[k]))
                   | static_cast<char32_t>(static_cast<std::uint8_t>(buffer[k + 1])) << 8
                   | static_cast<char32_t>(static_cast<std::uint8_t>(buffer[k + 2])) << 16
                   | static_cast<char32_t>(static_cast<std::uint8_t>(buffer[k + 3])) << 24;
        }
        if (error == EILSEQ || error == EINVAL) {
            // An undefined byte, or a lead byte without its trail.
            out += ReplacementCharacter;
            ++inPtr;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        } else if (error != 0 && error != E2BIG) {
            out.append(inLeft, ReplacementCharacter);
            break;
        }
    }
}

std::optional<std::string> encodeCp932(char32_t c)
{
    if (c < 0x80)
        return std::string(1, static_cast<char>(c));
    if (c == ReplacementCharacter || c > 0x10FFFF)
        return std::nullopt;
    const iconv_t converter = iconv_open("CP932", "UTF-32LE");
    if (converter == NoConverter)
        return std::nullopt;
    char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF), static_cast<char>((c >> 16) & 0xFF),
                  static_cast<char>((c >> 24) & 0xFF)};
    char bytes[8];
    char* inPtr = in;
    std::size_t inLeft = sizeof in;
    char* outPtr = bytes;
    std::size_t outLeft = sizeof bytes;
    const bool converted = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    if (!converted || outLeft == sizeof bytes)
        return std::nullopt;
    return std::string(bytes, sizeof bytes - outLeft);
}

} // namespace quillet
