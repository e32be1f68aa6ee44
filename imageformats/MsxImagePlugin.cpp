// SPDX-License-Identifier: MIT
#include "imageformats/MsxImagePlugin.h"

#include "imageformats/MsxPicture.h"

#include "document/Kinds.h"

#include <QFile>
#include <QSize>
#include <QVariant>

#include <algorithm>
#include <iterator>
#include <string_view>

namespace quillet::qt {

namespace {

// The name for a device that is no file and was given no format.
constexpr char GenericFormat[] = "msx";

bool isOurFormat(const QByteArray& format)
{
    const QByteArray lower = format.toLower();
    const std::string_view asked(lower.constData(), static_cast<std::size_t>(lower.size()));
    return asked == GenericFormat || std::ranges::find(PictureSuffixes, asked) != std::end(PictureSuffixes);
}

} // namespace

bool MsxImageHandler::canRead(QIODevice* device, const QByteArray& format)
{
    return device && looksLikeMsxPicture(*device, detectionName(device, format));
}

bool MsxImageHandler::canRead() const
{
    if (decoded_)
        return !decoded_->isNull();
    if (!canRead(device(), format()))
        return false;
    setFormat(format().isEmpty() ? QByteArray(GenericFormat) : format());
    return true;
}

QString MsxImageHandler::detectionName(const QIODevice* device, const QByteArray& format)
{
    if (const auto* file = qobject_cast<const QFile*>(device))
        return file->fileName();
    const QByteArray asked = format.toLower();
    return asked.isEmpty() || !isOurFormat(asked) || asked == GenericFormat
               ? QString()
               : QStringLiteral("picture.") + QString::fromLatin1(asked);
}

const QImage& MsxImageHandler::decoded() const
{
    if (!decoded_) {
        const QString name = detectionName(device(), format());
        decoded_ = device() && looksLikeMsxPicture(*device(), name) ? readMsxPicture(*device(), name) : QImage();
    }
    return *decoded_;
}

bool MsxImageHandler::read(QImage* image)
{
    const QImage& picture = decoded();
    if (picture.isNull())
        return false;
    *image = picture;
    return true;
}

bool MsxImageHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ImageFormat;
}

QVariant MsxImageHandler::option(ImageOption option) const
{
    // The size depends on the mode and on an interlaced partner, so it is
    // had from the decoded picture (a few milliseconds of work).
    if (option == Size && !decoded().isNull())
        return decoded().size();
    // 8-bit colour numbers with their colours for the modes that have
    // them, 24-bit for YJK pictures.
    if (option == ImageFormat)
        return decoded().isNull() ? QImage::Format_RGB888 : decoded().format();
    return {};
}

QImageIOPlugin::Capabilities MsxImagePlugin::capabilities(QIODevice* device, const QByteArray& format) const
{
    if (!format.isEmpty() && !isOurFormat(format))
        return {};
    // Asked about the format alone.
    if (!device)
        return format.isEmpty() ? Capabilities() : Capabilities(CanRead);
    // A file named like a picture may still be something else: only the
    // content lets Qt hand it to this plugin, else another one tries.
    return MsxImageHandler::canRead(device, format) ? Capabilities(CanRead) : Capabilities();
}

QImageIOHandler* MsxImagePlugin::create(QIODevice* device, const QByteArray& format) const
{
    auto* handler = new MsxImageHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray(GenericFormat) : format);
    return handler;
}

} // namespace quillet::qt
