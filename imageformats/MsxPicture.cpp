#include "imageformats/MsxPicture.h"

#include "document/Document.h"
#include "image/Palette.h"
#include "image/PictureCompanions.h"
#include "image/ScreenMode.h"

#include <QFile>
#include <QFileInfo>

#include <exception>
#include <memory>
#include <optional>
#include <span>

namespace quillet::qt {

namespace {

// What the viewer's stored setting starts as: the mode detection falls
// back on it when neither the name nor the content decides.
constexpr int DefaultScreenMode = 5;

std::uint16_t le16(QByteArrayView bytes, qsizetype at)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at])
                                      | static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

// At most `limit` bytes of a regular file beside the picture; nothing when
// it is missing, unreadable or anything but a file (a pipe would block).
std::optional<QByteArray> readBeside(const QString& path, qint64 limit)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(limit);
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

QImage decode(const QByteArray& file, const QString& name, bool filesBeside)
{
    const std::string path = name.toStdString();
    // The BsaveShape counts the bytes after the type byte; a file cut at
    // the read limit still lies far past every threshold the mode
    // detection looks at, so it decides as on the whole file.
    const BsaveShape shape = bsaveShapeOf(std::string_view(file.constData(), static_cast<std::size_t>(file.size())),
                                          static_cast<std::uint64_t>(file.size()));
    const int mode = detectScreenMode(path, shape, DefaultScreenMode);
    if (!screenModeLayout(mode))
        return {};

    // A side file that cannot be read, or holds no palette or picture,
    // is left out rather than failing the picture.
    PictureCompanions companions;
    if (filesBeside) {
        companions = findCompanions(path, [](const std::string& side, std::size_t limit) {
            const auto bytes = readBeside(QString::fromStdString(side), static_cast<qint64>(limit));
            return bytes ? std::optional<std::string>(bytes->toStdString()) : std::nullopt;
        });
    }
    auto converter = std::make_unique<BsaveConverter>();
    MemorySource source(std::string_view(file.constData(), static_cast<std::size_t>(file.size())).substr(1));
    return toQImage(decodePicture(*converter, source, mode, {}, companions, false));
}

} // namespace

bool looksLikeMsxPicture(QByteArrayView head)
{
    if (head.size() < BsaveHeaderBytes || static_cast<std::uint8_t>(head[0]) != BsaveImageMark)
        return false;
    return le16(head, 3) >= le16(head, 1);
}

QImage readMsxPicture(QIODevice& device, const QString& name)
{
    if (!device.isReadable())
        return {};
    const QByteArray file = device.read(PictureReadLimit);
    if (!looksLikeMsxPicture(file))
        return {};
    const auto* asFile = qobject_cast<const QFile*>(&device);
    const bool filesBeside = asFile && !name.isEmpty() && asFile->fileName() == name;
    // A host program must never see an exception: whatever the core
    // throws (it bounds its work and reads nothing outside the data) is a
    // picture not read.
    try {
        return decode(file, name, filesBeside);
    } catch (const std::exception&) {
        return {};
    }
}

QImage toQImage(const DecodedPicture& picture)
{
    if (picture.width <= 0 || picture.height <= 0
        || picture.rgb.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3)
        return {};
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(picture.rgb.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes, image.scanLine(y));
    return image;
}

} // namespace quillet::qt
