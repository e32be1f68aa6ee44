// SPDX-License-Identifier: MIT
#include "image/GraphSaurus.h"

#include "common/Errors.h"
#include "image/BsaveHeader.h"

#include <algorithm>

namespace quillet {

namespace {

constexpr std::uint64_t SectorBytes = 512;

[[noreturn]] void damaged(const std::string& why)
{
    throw QuilletError(ErrorKind::DamagedPicture, "compressed picture: " + why);
}

} // namespace

std::uint16_t compressedDataSize(std::string_view file) noexcept
{
    if (file.size() < CompressedPictureHeaderBytes)
        return 0;
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(file[3]) | static_cast<std::uint8_t>(file[4]) << 8);
}

bool looksLikeCompressedPicture(std::string_view start, std::uint64_t fileSize) noexcept
{
    if (start.size() < CompressedPictureHeaderBytes || static_cast<std::uint8_t>(start[0]) != CompressedPictureTypeByte
        || fileSize < CompressedPictureHeaderBytes)
        return false;
    const std::uint64_t size = compressedDataSize(start);
    const std::uint64_t data = fileSize - CompressedPictureHeaderBytes;
    return size > 0 && data >= size && data < size + SectorBytes;
}

std::string unpackCompressedPicture(std::string_view file)
{
    if (file.size() < CompressedPictureHeaderBytes)
        damaged("the header is cut short");
    const std::size_t size = compressedDataSize(file);
    const auto* in = reinterpret_cast<const std::uint8_t*>(file.data()) + CompressedPictureHeaderBytes;
    const std::size_t held = file.size() - CompressedPictureHeaderBytes;
    if (held < size)
        damaged("the data is cut short (" + std::to_string(held) + " of " + std::to_string(size) + " bytes)");

    // Appended behind a BSAVE header, literal stretches whole; the room is
    // asked for once and touched only as far as the data reaches.
    std::string out(BsaveHeaderBytes, '\0');
    out.reserve(BsaveHeaderBytes + UnpackedPictureLimit);
    const auto room = [&out] { return BsaveHeaderBytes + UnpackedPictureLimit - out.size(); };
    const auto runPastEnd = [] { damaged("the data unpacks past 128 KB"); };
    std::size_t i = 0;
    while (i < size) {
        if (in[i] >= 16) {
            std::size_t literal = i + 1;
            while (literal < size && in[literal] >= 16)
                ++literal;
            if (literal - i > room())
                runPastEnd();
            out.append(reinterpret_cast<const char*>(in + i), literal - i);
            i = literal;
            continue;
        }
        const std::uint8_t code = in[i++];
        const std::size_t operands = code == 0 ? 2 : 1;
        if (i + operands > held)
            damaged("a run is cut short at the end of the data");
        const std::size_t count = code != 0 ? code : in[i] == 0 ? 256 : in[i];
        const auto value = static_cast<char>(in[i + operands - 1]);
        i += operands;
        if (count > room())
            runPastEnd();
        out.append(count, value);
    }
    const std::size_t unpacked = out.size() - BsaveHeaderBytes;
    // The end address as a BSAVE dump of this length names it; past 64 KB
    // it cannot, and the length says how much there is.
    const std::size_t last = unpacked == 0 ? 0 : std::min<std::size_t>(unpacked - 1, 0xFFFF);
    out[0] = static_cast<char>(BsaveTypeByte);
    out[3] = static_cast<char>(last & 0xFF);
    out[4] = static_cast<char>(last >> 8);
    return out;
}

} // namespace quillet
