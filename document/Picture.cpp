// SPDX-License-Identifier: MIT
#include "document/Picture.h"

#include "common/Errors.h"
#include "common/HexDigits.h"
#include "image/PictureCompanions.h"

namespace quillet {

namespace {

std::string firstByteText(const DocumentHead& head)
{
    if (!head.firstByte)
        return "the file is empty";
    return std::string("first byte 0x") + upperHexDigit(*head.firstByte >> 4) + upperHexDigit(*head.firstByte);
}

// What lies beside the picture at `path`, read through `access`.
PictureCompanions findCompanions(const std::string& path, const FileAccess& access, bool strict)
{
    const auto read = [&](const std::string& side, std::size_t limit) -> std::optional<std::string> {
        if (strict)
            return access.readBeside(side, limit);
        try {
            return access.readBeside(side, limit);
        } catch (const QuilletError&) {
            return std::nullopt;
        }
    };
    PictureCompanions found;
    for (const std::string& name : paletteFileNames(path)) {
        if (auto bytes = read(name, PaletteFileReadLimit)) {
            found.paletteFile = std::move(bytes);
            found.paletteName = name;
            break;
        }
    }
    const int page = interlacedPageOfName(path);
    if (page >= 0) {
        const std::string name = interlacedPartnerName(path);
        if (auto bytes = read(name, PictureReadLimit)) {
            found.otherPage = std::move(bytes);
            found.otherPageName = name;
            found.page = page;
        }
    }
    return found;
}

} // namespace

bool looksLikePicture(std::string_view start, std::uint64_t fileSize) noexcept
{
    return startsWithWholeBsaveHeader(start) && fitsPictureLayout(bsaveHeaderOf(start.substr(1)), fileSize);
}

void requirePicture(const Opened& document)
{
    if (document.isContainer())
        throw QuilletError(ErrorKind::NotAPicture, "it holds other files");
    if (document.role() != DocumentRole::Picture)
        throw QuilletError(ErrorKind::NotAPicture, firstByteText(document.head()));
}

PictureFile::PictureFile(Opened& document) : name_(document.name()), beside_(document.beside())
{
    requirePicture(document);
    bytes_ = document.readAll(PictureReadLimit);
}

ModeSelection PictureFile::chooseMode(const ModePolicy& policy) const noexcept
{
    // Every rule the content takes part in looks below the read limit, so
    // the bytes read decide as the whole file would.
    return selectScreenMode(policy.mode, policy.detect, name_, bsaveShapeOf(bytes_, bytes_.size()));
}

const DecodedPicture& PictureFile::decode(int mode, const PictureRequest& request, BsaveConverter& converter) const
{
    if (!screenModeLayout(mode))
        throw QuilletError(ErrorKind::UnsupportedScreenMode, "SCREEN " + std::to_string(mode));
    const PictureCompanions companions =
        beside_ ? findCompanions(name_, *beside_, request.strictCompanions) : PictureCompanions{};
    MemorySource rest(std::string_view(bytes_).substr(1));
    return decodePicture(converter, rest, mode, request.options, companions, request.strictCompanions);
}

const DecodedPicture& readPicture(Opened& document, const PictureRequest& request, BsaveConverter& converter)
{
    const PictureFile picture(document);
    return picture.decode(picture.chooseMode(request.mode).mode, request, converter);
}

} // namespace quillet
