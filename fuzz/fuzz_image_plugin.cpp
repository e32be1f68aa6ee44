// SPDX-License-Identifier: MIT
// Random files through the image plugin's reading (imageformats/
// MsxPicture): whether it claims the bytes, peeked from a buffer or from a
// device that hands them out as a stream, must be what the core's picture
// road says; a claimed picture comes out as an image of its mode's size
// (a COPY picture of its own), and anything else, or a compressed one whose
// data proves damaged, as none. The last byte picks the name the mode is
// read from and whether a palette file and the other page of an
// interlaced pair lie beside it (written to a temporary folder, made from
// the input itself).

#include "document/Picture.h"
#include "image/CopiedPicture.h"
#include "image/GraphSaurus.h"
#include "image/PictureCompanions.h"
#include "imageformats/MsxPicture.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace quillet;

// A device that is read as it comes, as a pipe would be.
class Stream final : public QIODevice {
public:
    explicit Stream(const QByteArray& bytes) : bytes_(bytes) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 count = std::min(maxSize, bytes_.size() - at_);
        std::copy_n(bytes_.constData() + at_, count, data);
        at_ += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 at_ = 0;
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The size of the picture `bytes` named `name` are, with an other page
// beside them or not; none for a compressed one whose data is damaged.
std::optional<QSize> sizeOf(const std::string& name, const QByteArray& bytes, bool paired)
{
    std::string file = bytes.toStdString();
    if (file.empty())
        return std::nullopt;
    if (static_cast<std::uint8_t>(file[0]) == CompressedPictureTypeByte) {
        try {
            file = unpackCompressedPicture(file);
        } catch (const QuilletError&) {
            return std::nullopt;
        }
    } else if (static_cast<std::uint8_t>(file[0]) != BsaveTypeByte) {
        // A COPY picture, at its own size, with nothing beside it.
        const auto size =
            copiedPictureSizeOf(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
        check(size.has_value());
        return QSize(size->width, size->height);
    }
    const ScreenModeLayout* layout =
        screenModeLayout(detectScreenMode(name, bsaveShapeOf(file, file.size()), DefaultScreenMode));
    check(layout != nullptr); // none of the names asks for a mode without one
    return QSize(layout->width, layout->height * (paired && !layout->patterned() ? 2 : 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const char* const names[] = {"FUZZ.SC5", "FUZZ.SR5", "FUZZ.GE7", "FUZZ.S05",
                                        "FUZZ.S1C", "FUZZ.R70", "FUZZ.S12", "FUZZ"};
    static QTemporaryDir* folder = new QTemporaryDir;
    if (size == 0)
        return 0;
    const std::uint8_t bits = data[size - 1];
    const std::string name = names[bits & 7];
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size - 1));
    const std::string_view head(bytes.constData(),
                                static_cast<std::size_t>(std::min<qsizetype>(bytes.size(), PictureReadLimit)));
    const bool claimed = looksLikePicture(head, head.size(), name);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    check(qt::looksLikeMsxPicture(buffer, QString::fromStdString(name)) == claimed && buffer.pos() == 0);
    Stream stream(bytes);
    check(qt::looksLikeMsxPicture(stream, QString::fromStdString(name)) == claimed);
    const QImage image = qt::readMsxPicture(buffer, QString::fromStdString(name));
    const std::optional<QSize> shown = claimed ? sizeOf(name, bytes, false) : std::nullopt;
    check(image.isNull() != shown.has_value());
    if (shown)
        check(image.size() == *shown);

    // As a file, with what a paint program or an interlaced pair puts beside it.
    if (!(bits & 0x18) || !folder->isValid())
        return 0;
    const QString path = folder->filePath(QString::fromStdString(name));
    check(writeFile(path, bytes));
    const std::vector<std::string> palettes = paletteFileNames(name);
    const std::string partner = interlacedPartnerName(name);
    if ((bits & 0x08) && !palettes.empty())
        check(writeFile(folder->filePath(QString::fromStdString(palettes[0])), bytes.right(40)));
    // A page with nothing after its header is left out.
    const bool paired = (bits & 0x10) && !partner.empty() && isUsableOtherPage(bytes.toStdString());
    if (paired)
        check(writeFile(folder->filePath(QString::fromStdString(partner)), bytes));
    QFile file(path);
    check(file.open(QIODevice::ReadOnly));
    const QImage beside = qt::readMsxPicture(file, path);
    const std::optional<QSize> besideSize = claimed ? sizeOf(name, bytes, paired) : std::nullopt;
    check(beside.isNull() != besideSize.has_value());
    if (besideSize)
        check(beside.size() == *besideSize);
    for (const std::string& companion : palettes)
        QFile::remove(folder->filePath(QString::fromStdString(companion)));
    if (!partner.empty())
        QFile::remove(folder->filePath(QString::fromStdString(partner)));
    return 0;
}
