// SPDX-License-Identifier: MIT
// Random files through the thumbnailer's own function, opened by the door
// from their bytes. The last byte picks the name and the size asked for.
// A thumbnail is never larger than that size; a BSAVE file has one exactly
// when the image plugin would claim it, and nothing else is thrown than
// the core's own errors.

#include "common/Errors.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "thumbnailer/Thumbnail.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillet;
    static const char* const names[] = {"FUZZ.SC5", "FUZZ.SC2", "FUZZ.S12", "FUZZ.BAS"};
    static constexpr int sizes[] = {1, 7, 128, 256};
    // Programs are drawn with fonts, which need the application; once, and
    // without a display.
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_thumbnail";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    static_cast<void>(app);
    if (size == 0)
        return 0;
    const std::uint8_t bits = data[size - 1];
    const std::string bytes(reinterpret_cast<const char*>(data), size - 1);
    const int asked = sizes[(bits >> 2) & 3];
    QImage thumbnail;
    try {
        Opened document = openBytes(names[bits & 3], bytes);
        thumbnail = thumb::documentThumbnail(document, asked, QStringLiteral("Monospace"));
    } catch (const QuilletError&) {
        return 0;
    }
    if (!thumbnail.isNull() && (thumbnail.width() > asked || thumbnail.height() > asked || thumbnail.width() < 1))
        std::abort();
    if (!bytes.empty() && static_cast<std::uint8_t>(bytes[0]) == BsaveTypeByte
        && !containerKindOf(std::string_view(bytes).substr(0, ContainerHeadSize), bytes.size(), names[bits & 3])
        && thumbnail.isNull()
               == looksLikePicture(std::string_view(bytes).substr(0, PictureReadLimit),
                                   std::min<std::size_t>(bytes.size(), PictureReadLimit), names[bits & 3]))
        std::abort();
    return 0;
}
