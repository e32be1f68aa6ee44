// SPDX-License-Identifier: MIT
#include "imageformats/MsxPicture.h"

#include "document/Picture.h"

#include <QFile>
#include <QVector>

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <utility>

namespace quillet::qt {

namespace {

std::string_view viewOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// The converter decodes straight into the image handed back: made without
// clearing (every pixel is written) and never copied. Pictures of colour
// numbers keep them, with their colours as the image's colour table, as
// Qt's own readers keep a palette PNG or a GIF.
class QImageRows final : public PixelRowTarget {
public:
    PixelRows rgbRows(int width, int height) override { return make(width, height, QImage::Format_RGB888); }
    PixelRows numberRows(int width, int height, std::span<const Rgb> colourTable) override
    {
        const PixelRows rows = make(width, height, QImage::Format_Indexed8);
        QVector<QRgb> colours;
        colours.reserve(static_cast<int>(colourTable.size()));
        for (const Rgb& colour : colourTable)
            colours.push_back(qRgb(colour.red, colour.green, colour.blue));
        image.setColorTable(colours);
        return rows;
    }
    QImage image;

private:
    PixelRows make(int width, int height, QImage::Format format)
    {
        image = QImage(width, height, format);
        if (image.isNull())
            throw std::bad_alloc();
        return {image.bits(), static_cast<std::ptrdiff_t>(image.bytesPerLine())};
    }
};

// One converter kept for the next picture: a fresh one's video memory is
// 128 KB of new pages, touched and cleared anew for every picture. A reader
// on another thread meanwhile makes its own.
class SpareConverter {
public:
    std::unique_ptr<BsaveConverter> take()
    {
        {
            const std::lock_guard lock(mutex_);
            if (spare_)
                return std::move(spare_);
        }
        return std::make_unique<BsaveConverter>();
    }
    void giveBack(std::unique_ptr<BsaveConverter> converter)
    {
        converter->setRowTarget(nullptr);
        const std::lock_guard lock(mutex_);
        spare_ = std::move(converter);
    }

private:
    std::mutex mutex_;
    std::unique_ptr<BsaveConverter> spare_;
};

} // namespace

bool looksLikeMsxPicture(QIODevice& device, const QString& name)
{
    if (!device.isReadable())
        return false;
    const std::string path = QFile::encodeName(name).toStdString();
    if (device.isSequential()) {
        const QByteArray ready = device.peek(static_cast<qint64>(PictureReadLimit));
        return looksLikePicture(viewOf(ready), static_cast<std::uint64_t>(ready.size()), path);
    }
    const qint64 left = device.size() - device.pos();
    return left >= 0
           && looksLikePicture(viewOf(device.peek(static_cast<qint64>(BsaveHeaderBytes))),
                               static_cast<std::uint64_t>(left), path);
}

QImage readMsxPicture(QIODevice& device, const QString& name)
{
    if (!device.isReadable())
        return {};
    // As much as the device holds, up to the limit: a buffer of the whole
    // limit for a smaller file would be fresh pages to touch.
    const qint64 left = device.isSequential()
                            ? static_cast<qint64>(PictureReadLimit)
                            : std::min(static_cast<qint64>(PictureReadLimit), device.size() - device.pos());
    std::string file(static_cast<std::size_t>(std::max<qint64>(left, 0)), '\0');
    const qint64 got = device.read(file.data(), static_cast<qint64>(file.size()));
    file.resize(static_cast<std::size_t>(std::max<qint64>(got, 0)));
    const std::string path = QFile::encodeName(name).toStdString();
    if (!looksLikePicture(file, file.size(), path))
        return {};
    const auto* asFile = qobject_cast<const QFile*>(&device);
    const bool filesBeside = asFile && !name.isEmpty() && asFile->fileName() == name;
    static const DiskFiles beside(DiskFiles::Rule::RegularOnly);
    // A host program must never see an exception: whatever the core
    // throws (it bounds its work and reads nothing outside the data) is a
    // picture not read.
    try {
        Opened document = openBytes(path, std::move(file), filesBeside ? &beside : nullptr);
        static SpareConverter converters;
        std::unique_ptr<BsaveConverter> converter = converters.take();
        QImageRows target;
        converter->setRowTarget(&target);
        readPicture(document, PictureRequest{}, *converter);
        converters.giveBack(std::move(converter));
        return target.image;
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
