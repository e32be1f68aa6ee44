// SPDX-License-Identifier: MIT
#include "document/Picture.h"

#include "common/Errors.h"
#include "common/HexDigits.h"
#include "image/GraphSaurus.h"
#include "image/Palette.h"
#include "image/PictureCompanions.h"

#include <span>

namespace quillet {

namespace {

std::string firstByteText(const DocumentHead& head)
{
    if (!head.firstByte)
        return "the file is empty";
    return std::string("first byte 0x") + upperHexDigit(*head.firstByte >> 4) + upperHexDigit(*head.firstByte);
}

// At most `limit` bytes of the file beside at `side`; nullopt when there
// is none, and also, with a note in `leftOut`, when it cannot be read.
std::optional<std::string> readBeside(const FileAccess& access, const std::string& side, std::size_t limit,
                                      std::vector<LeftOutCompanion>& leftOut)
{
    try {
        return access.readBeside(side, limit);
    } catch (const QuilletError& error) {
        leftOut.push_back({side, CompanionFault::Unreadable, error.kind()});
        return std::nullopt;
    }
}

// What lies beside the picture at `path`, read through `access`: what can
// be used, and in `leftOut` what cannot. A palette file that does not hold
// palette `paletteIndex` is left out like one that holds none: another of
// its palettes would show colours the user did not ask for.
PictureCompanions findCompanions(const std::string& path, const FileAccess& access, bool wantPalette, int paletteIndex,
                                 std::vector<LeftOutCompanion>& leftOut)
{
    PictureCompanions found;
    if (wantPalette) {
        // Either spelling of the name will do; what cannot be used is told
        // only when neither gives the picture its colours.
        std::vector<LeftOutCompanion> passedOver;
        for (const std::string& name : paletteFileNames(path)) {
            const auto bytes = readBeside(access, name, PaletteFileReadLimit, passedOver);
            if (!bytes)
                continue;
            found.palette = paletteTableFromFile(
                std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()), paletteIndex);
            if (found.palette) {
                passedOver.clear();
                break;
            }
            passedOver.push_back({name, CompanionFault::NoPalette});
        }
        leftOut.insert(leftOut.end(), passedOver.begin(), passedOver.end());
    }
    const int page = interlacedPageOfName(path);
    // The first of the other page's names that is there; a page-0 name
    // with none beside it is a picture of its own.
    for (const std::string& name : interlacedPartnerNames(path)) {
        auto bytes = readBeside(access, name, PictureReadLimit, leftOut);
        if (!bytes)
            continue;
        try {
            bytes = otherPageOf(std::move(*bytes));
        } catch (const QuilletError& error) {
            leftOut.push_back({name, CompanionFault::Unreadable, error.kind()});
            break;
        }
        if (bytes) {
            found.otherPage = std::move(bytes);
            found.page = page;
        } else
            leftOut.push_back({name, CompanionFault::NotAPage});
        break;
    }
    return found;
}

} // namespace

bool looksLikePicture(std::string_view start, std::uint64_t fileSize) noexcept
{
    if (start.empty())
        return false;
    switch (static_cast<std::uint8_t>(start[0])) {
    case BsaveTypeByte:
        return startsWithWholeBsaveHeader(start) && fitsPictureLayout(bsaveHeaderOf(start.substr(1)), fileSize);
    case CompressedPictureTypeByte: return looksLikeCompressedPicture(start, fileSize);
    default:
        // Told as the door tells it, without a name to go by.
        return documentKindOf(start.substr(0, CompressedPictureHeaderBytes), fileSize, {}) == DocumentKind::CopiedImage;
    }
}

bool looksLikePicture(std::string_view start, std::uint64_t fileSize, std::string_view name) noexcept
{
    return looksLikePicture(start, fileSize)
           && documentKindInfo(documentKindOf(start.substr(0, ContainerHeadSize), fileSize, name)).role
                  == DocumentRole::Picture;
}

void requirePicture(const Opened& document)
{
    if (document.isContainer())
        throw QuilletError(ErrorKind::NotAPicture, "it holds other files");
    if (document.role() == DocumentRole::Bytes)
        throw QuilletError(ErrorKind::NotAPicture, document.head().kind == DocumentKind::BsaveBinary
                                                       ? "it is a BSAVE binary, saved from memory no screen shows"
                                                       : "it is a binary file");
    if (document.role() != DocumentRole::Picture)
        throw QuilletError(ErrorKind::NotAPicture, firstByteText(document.head()));
}

PictureFile::PictureFile(Opened& document)
    : name_(document.name()), kind_(document.head().kind), beside_(document.beside())
{
    requirePicture(document);
    bytes_ = document.readAll(PictureReadLimit);
    looksWhole_ = looksLikePicture(bytes_);
    if (kind_ == DocumentKind::GraphSaurusImage)
        bytes_ = unpackCompressedPicture(bytes_);
}

ModeSelection PictureFile::chooseMode(const ModePolicy& policy) const noexcept
{
    if (kind_ == DocumentKind::CopiedImage) {
        // The length tells the depth, so even a mode held as it is gives
        // way when the file cannot be of its depth.
        const std::span head(reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size());
        if (!policy.detect && copiedPictureFits(head, bytes_.size(), vramBitsPerPixel(policy.mode)))
            return {policy.mode, false};
        return {copiedPictureMode(name_, head, bytes_.size(), policy.mode), true};
    }
    // Every rule the content takes part in looks below the read limit, so
    // the bytes read decide as the whole file would.
    return selectScreenMode(policy.mode, policy.detect, name_, bsaveShapeOf(bytes_, bytes_.size()));
}

PictureResult PictureFile::decode(int mode, const PictureRequest& request, BsaveConverter& converter) const
{
    if (kind_ == DocumentKind::CopiedImage)
        return {converter.decodeCopied(bytes_, mode, request.options), {}};
    if (!screenModeLayout(mode))
        throw QuilletError(ErrorKind::UnsupportedScreenMode, "SCREEN " + std::to_string(mode));
    std::vector<LeftOutCompanion> leftOut;
    const PictureCompanions companions =
        beside_ ? findCompanions(name_, *beside_, !request.options.paletteTable, request.options.paletteIndex, leftOut)
                : PictureCompanions{};
    MemorySource rest(std::string_view(bytes_).substr(1));
    return {decodePicture(converter, rest, mode, request.options, companions), std::move(leftOut)};
}

const DecodedPicture& readPicture(Opened& document, const PictureRequest& request, BsaveConverter& converter)
{
    const PictureFile picture(document);
    return picture.decode(picture.chooseMode(request.mode).mode, request, converter).picture;
}

std::string_view leftOutReason(const LeftOutCompanion& leftOut) noexcept
{
    switch (leftOut.fault) {
    case CompanionFault::Unreadable: return errorText(leftOut.cause);
    case CompanionFault::NoPalette: return "holds no palette";
    case CompanionFault::NotAPage: return "not a BSAVE picture";
    }
    return errorText(leftOut.cause);
}

} // namespace quillet
