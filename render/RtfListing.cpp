#include "render/RtfListing.h"

#include "render/CodePage.h"
#include "render/RtfEscape.h"

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {

constexpr std::uint8_t GraphicPrefix = 0x01;
constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::uint8_t CarriageReturn = 0x0D;
constexpr std::uint8_t SmallYu = 0xAD;

constexpr std::string_view HeaderStart =
    "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl{\\f0\\fnil\\fcharset";
constexpr std::string_view LineEnd = "\\par\r\n";
constexpr std::string_view Closing = "\\par}\r\n";

// \fN\'HH\f0: one byte in another font of the listing.
void appendFontEscape(std::string& out, char font, std::uint8_t byte)
{
    const char escape[10] = {'\\', 'f', font, '\\', '\'', upperHexDigit(byte >> 4u), upperHexDigit(byte),
                             '\\', 'f', '0'};
    out.append(escape, 10);
}

bool mapsSmallYu(const RtfListingOptions& options)
{
    return options.isAnkMode && options.isMap0xAD;
}

void appendText(std::string& out, std::uint8_t byte, const RtfListingOptions& options)
{
    if (byte == SmallYu && mapsSmallYu(options))
        appendFontEscape(out, '2', mappedCodeFor0xAD(options));
    else
        appendRtfHexEscape(out, byte);
}

void appendFontEntry(std::string& out, int charset, const std::string& name)
{
    out += std::to_string(charset);
    out += ' ';
    out += rtfFontNameCp932(name);
}

} // namespace

RtfListingOptions RtfListingOptions::fromSettings(const Settings& settings)
{
    RtfListingOptions options;
    options.isAnkMode = settings.isAnkMode;
    options.fontCharset = settings.fontCharset;
    options.fontSize = settings.fontSize;
    options.fontNameAnk = settings.fontNameAnk;
    options.fontNameAnkGraph = settings.fontNameAnkGraph;
    options.fontNameKanji = settings.fontNameKanji;
    options.isMap0xAD = settings.isMap0xAD;
    options.mapFontFrom0xAD = settings.mapFontFrom0xAD;
    options.mapCodeFrom0xAD = settings.mapCodeFrom0xAD;
    return options;
}

std::uint8_t mappedCodeFor0xAD(const RtfListingOptions& options)
{
    return static_cast<std::uint8_t>(std::clamp<std::int32_t>(options.mapCodeFrom0xAD, 0, 255));
}

std::string escapeRtfText(std::string_view bytes, const RtfListingOptions& options)
{
    std::string out;
    out.reserve(bytes.size() * 4);
    for (const char byte : bytes)
        appendText(out, static_cast<std::uint8_t>(byte), options);
    return out;
}

std::string escapeRtfGraphic(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 10);
    for (const char byte : bytes)
        appendFontEscape(out, '1', static_cast<std::uint8_t>(byte));
    return out;
}

std::string rtfListingHeader(const RtfListingOptions& options)
{
    std::string header(HeaderStart);
    appendFontEntry(header, options.fontCharset, options.isAnkMode ? options.fontNameAnk : options.fontNameKanji);
    header += ";}{\\f1\\fnil\\fcharset";
    appendFontEntry(header, options.fontCharset, options.fontNameAnkGraph);
    if (options.isAnkMode) {
        header += ";}{\\f2\\fnil\\fcharset";
        appendFontEntry(header, options.fontCharset, options.mapFontFrom0xAD);
    }
    header += ";}}\\f0\\fs";
    header += std::to_string(2 * static_cast<std::int64_t>(options.fontSize));
    return header;
}

namespace {

// The output goes out in blocks of this size; a run of input is escaped
// between two looks at the room left, each byte needing at most one
// padded escape.
constexpr std::size_t BlockSize = 256 * 1024;
constexpr std::size_t RunBytes = 4096;
constexpr std::size_t BlockCapacity = BlockSize + (RunBytes + 1) * 16;

} // namespace

RtfListingSink::RtfListingSink(ByteSink& out, const RtfListingOptions& options)
    : out_(out), block_(std::make_unique<char[]>(BlockCapacity))
{
    static_assert(sizeof(Escape) == 16);
    // Each byte's escape is worked out once, by the same rules as
    // escapeRtfText and escapeRtfGraphic.
    auto escapeOf = [](const std::string& text) {
        Escape escape{};
        std::copy(text.begin(), text.end(), escape.bytes);
        escape.size = static_cast<std::uint8_t>(text.size());
        return escape;
    };
    for (unsigned code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        std::string text, graphic;
        appendText(text, byte, options);
        if (options.isAnkMode)
            appendFontEscape(graphic, '1', byte);
        else
            appendText(graphic, byte, options); // never maps 0xAD in Kanji mode
        text_[code] = escapeOf(text);
        graphic_[code] = escapeOf(graphic);
    }
    append(rtfListingHeader(options));
    append("\r\n");
    flushIfFull();
}

void RtfListingSink::append(const Escape& escape)
{
    std::memcpy(block_.get() + used_, escape.bytes, sizeof escape);
    used_ += escape.size;
}

void RtfListingSink::append(std::string_view text)
{
    if (text.size() > BlockCapacity - used_) {
        out_.write(block_.get(), used_);
        used_ = 0;
        if (text.size() > BlockCapacity) {
            out_.write(text);
            return;
        }
    }
    std::memcpy(block_.get() + used_, text.data(), text.size());
    used_ += text.size();
}

void RtfListingSink::flushIfFull()
{
    if (used_ >= BlockSize) {
        out_.write(block_.get(), used_);
        used_ = 0;
    }
}

// A line ends at CR LF (or a CR that ends the listing). A CR or LF on its
// own is a byte of a string or comment, shown as its glyph, so that it
// neither splits a line nor joins two.
void RtfListingSink::write(const void* data, std::size_t size)
{
    const auto* at = static_cast<const std::uint8_t*>(data);
    const std::uint8_t* const end = at + size;
    if (at == end)
        return;
    // What the last piece left open ends with this piece's first byte.
    if (pending_ == Pending::GraphicPrefix) {
        append(graphic_[*at++]);
    } else if (pending_ == Pending::CarriageReturn) {
        if (*at == LineFeed) {
            append(LineEnd);
            ++lines_;
            lineOpen_ = false;
            ++at;
        } else {
            append(text_[CarriageReturn]); // and the byte goes on as any other
        }
    }
    pending_ = Pending::None;
    flushIfFull();
    bool lineOpen = lineOpen_;
    while (at < end) {
        const std::uint8_t* const runEnd = at + std::min<std::size_t>(static_cast<std::size_t>(end - at), RunBytes);
        char* out = block_.get() + used_;
        while (at < runEnd) {
            const std::uint8_t byte = *at;
            lineOpen = true;
            if (byte != GraphicPrefix && byte != CarriageReturn) [[likely]] {
                std::memcpy(out, text_[byte].bytes, sizeof(Escape));
                out += text_[byte].size;
                ++at;
            } else if (at + 1 == end) {
                pending_ = byte == GraphicPrefix ? Pending::GraphicPrefix : Pending::CarriageReturn;
                ++at;
            } else if (byte == GraphicPrefix) {
                std::memcpy(out, graphic_[at[1]].bytes, sizeof(Escape));
                out += graphic_[at[1]].size;
                at += 2;
            } else if (at[1] == LineFeed) {
                std::memcpy(out, LineEnd.data(), LineEnd.size());
                out += LineEnd.size();
                ++lines_;
                lineOpen = false;
                at += 2;
            } else {
                std::memcpy(out, text_[CarriageReturn].bytes, sizeof(Escape));
                out += text_[CarriageReturn].size;
                ++at;
            }
        }
        used_ = static_cast<std::size_t>(out - block_.get());
        flushIfFull();
    }
    lineOpen_ = lineOpen;
}

std::int64_t RtfListingSink::finish()
{
    // A graphic prefix with no code after it shows nothing.
    if (pending_ == Pending::CarriageReturn) {
        append(LineEnd);
        ++lines_;
        lineOpen_ = false;
    }
    pending_ = Pending::None;
    append(Closing);
    out_.write(block_.get(), used_);
    used_ = 0;
    // The last line counts without its line end, and so does an empty listing.
    if (lineOpen_ || lines_ == 0)
        ++lines_;
    return lines_;
}

std::int64_t writeRtfListing(ByteSource& listing, ByteSink& out, const RtfListingOptions& options)
{
    RtfListingSink sink(out, options);
    for (auto chunk = listing.nextChunk(); !chunk.empty(); chunk = listing.nextChunk())
        sink.write(chunk.data(), chunk.size());
    return sink.finish();
}

} // namespace quillet
