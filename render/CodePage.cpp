#include "render/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace quillet {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

void appendHexEscape(std::string& out, std::uint8_t byte)
{
    out += "\\'";
    out += HexDigits[byte >> 4];
    out += HexDigits[byte & 0x0F];
}

void appendUnicodeEscape(std::string& out, char32_t codePoint)
{
    auto escape = [&out](unsigned unit) {
        // RTF numbers are signed 16-bit.
        out += "\\u";
        out += std::to_string(unit >= 0x8000 ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit));
        out += '?';
    };
    if (codePoint >= 0x10000 && codePoint <= 0x10FFFF) {
        const char32_t v = codePoint - 0x10000;
        escape(0xD800 + (v >> 10));
        escape(0xDC00 + (v & 0x3FF));
    } else {
        escape(codePoint);
    }
}

bool isRtfSpecial(std::uint8_t byte)
{
    return byte == '\\' || byte == '{' || byte == '}';
}

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

void appendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = ReplacementCharacter;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u32string decodeUtf8(std::string_view in)
{
    std::u32string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        const auto lead = static_cast<std::uint8_t>(in[i]);
        if (lead < 0x80) {
            out += lead;
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t c = 0, minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, minimum = 0x10000;
        }
        bool ok = length != 0 && i + length <= in.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(in[i + k]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        ok = ok && c >= minimum && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (!ok) {
            out += ReplacementCharacter;
            ++i;
            continue;
        }
        out += c;
        i += length;
    }
    return out;
}

std::string rtfFontNameCp932(std::string_view utf8)
{
    std::string out;
    iconv_t converter = iconv_open("CP932", "UTF-32LE");
    for (const char32_t c : decodeUtf8(utf8)) {
        char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                      static_cast<char>((c >> 16) & 0xFF), static_cast<char>((c >> 24) & 0xFF)};
        char bytes[8];
        std::size_t produced = 0;
        if (converter != NoConverter && c != ReplacementCharacter) {
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
                appendHexEscape(out, byte);
            else if (isRtfSpecial(byte))
                out += '\\', out += static_cast<char>(byte);
            else
                out += static_cast<char>(byte);
        } else if (produced == 2) {
            // A trail byte that reads as "\", "{" or "}" would end the name
            // or the group; the whole character goes as escapes then.
            if (isRtfSpecial(static_cast<std::uint8_t>(bytes[1]))) {
                appendHexEscape(out, static_cast<std::uint8_t>(bytes[0]));
                appendHexEscape(out, static_cast<std::uint8_t>(bytes[1]));
            } else {
                out.append(bytes, 2);
            }
        } else {
            appendUnicodeEscape(out, c);
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
{
    if (codePage > 0) {
        iconv_t converter = iconv_open("UTF-32LE", iconvName(codePage).c_str());
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

} // namespace quillet
