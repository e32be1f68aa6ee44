#include "render/Utf8Listing.h"

#include "common/Errors.h"
#include "common/Utf8.h"

#include <string>

namespace quillet {

namespace {

constexpr std::uint8_t GraphicPrefix = 0x01;
constexpr std::size_t ChunkSize = 64 * 1024;

bool isGraphicCode(std::uint8_t code)
{
    return code >= msx::FirstGraphicCode && code < msx::FirstGraphicCode + 0x20;
}

// Line ends and tabs keep the text's lines and columns in an editor.
bool keptAsIs(std::uint8_t byte)
{
    return byte == '\r' || byte == '\n' || byte == '\t';
}

} // namespace

void writeUtf8Listing(ByteSource& listing, ByteSink& out, msx::CharacterSet set)
{
    std::string chunk;
    chunk.reserve(ChunkSize + 8);
    std::uint8_t byte;
    bool haveByte = listing.next(byte);
    while (haveByte) {
        if (byte == GraphicPrefix) {
            std::uint8_t code;
            if (listing.next(code)) {
                if (isGraphicCode(code)) {
                    appendUtf8(chunk, msx::graphicGlyph(set, code));
                    haveByte = listing.next(byte);
                } else {
                    appendUtf8(chunk, msx::charGlyph(set, byte));
                    byte = code; // taken on its own next
                }
            } else {
                appendUtf8(chunk, msx::charGlyph(set, byte));
                haveByte = false;
            }
        } else {
            if (keptAsIs(byte))
                chunk += static_cast<char>(byte);
            else
                appendUtf8(chunk, msx::charGlyph(set, byte));
            haveByte = listing.next(byte);
        }
        if (chunk.size() >= ChunkSize) {
            out.write(chunk);
            chunk.clear();
        }
    }
    if (listing.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    out.write(chunk);
}

} // namespace quillet
