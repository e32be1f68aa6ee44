// SPDX-License-Identifier: MIT
#include "imageformats/MsxPicture.h"

#include "document/Picture.h"

#include <QFile>

#include <algorithm>
#include <exception>
#include <memory>

namespace quillet::qt {

namespace {

std::string_view viewOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

bool looksLikeMsxPicture(QIODevice& device)
{
    if (!device.isReadable())
        return false;
    if (device.isSequential())
        return looksLikePicture(viewOf(device.peek(static_cast<qint64>(PictureReadLimit))));
    const qint64 left = device.size() - device.pos();
    return left >= 0
           && looksLikePicture(viewOf(device.peek(static_cast<qint64>(BsaveHeaderBytes))),
                               static_cast<std::uint64_t>(left));
}

QImage readMsxPicture(QIODevice& device, const QString& name)
{
    if (!device.isReadable())
        return {};
    const QByteArray file = device.read(static_cast<qint64>(PictureReadLimit));
    if (!looksLikePicture(viewOf(file)))
        return {};
    const auto* asFile = qobject_cast<const QFile*>(&device);
    const bool filesBeside = asFile && !name.isEmpty() && asFile->fileName() == name;
    static const DiskFiles beside(DiskFiles::Rule::RegularOnly);
    // A host program must never see an exception: whatever the core
    // throws (it bounds its work and reads nothing outside the data) is a
    // picture not read.
    try {
        Opened document =
            openBytes(QFile::encodeName(name).toStdString(), file.toStdString(), filesBeside ? &beside : nullptr);
        auto converter = std::make_unique<BsaveConverter>();
        return toQImage(readPicture(document, PictureRequest{}, *converter));
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
