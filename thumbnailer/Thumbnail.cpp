// SPDX-License-Identifier: MIT
#include "thumbnailer/Thumbnail.h"

#include "decoder/ListingConverter.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "image/Palette.h"
#include "imageformats/MsxPicture.h"
#include "render/Utf8Listing.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

namespace quillet::thumb {

namespace {

// COLOR 15,4: white characters on dark blue.
constexpr int ForegroundColour = 15;
constexpr int BackgroundColour = 4;

QColor msx1Colour(int number)
{
    const Rgb rgb = msx2PowerOnPalette()[static_cast<std::size_t>(number)];
    return QColor(rgb.red, rgb.green, rgb.blue);
}

// The listing's lines as text, as far as they could be listed.
QStringList listedLines(QByteArrayView program)
{
    StringSink listing;
    MemorySource source(std::string_view(program.data(), static_cast<std::size_t>(program.size())).substr(1));
    try {
        convertTokenizedBasic(source, listing, ListingOptions{});
    } catch (const std::exception&) {
        // The lines before the damage are worth showing.
    }
    StringSink text;
    MemorySource listed(listing.str());
    writeUtf8Listing(listed, text, msx::CharacterSet::Japanese);
    return QString::fromStdString(text.str()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

QImage fitPicture(const QImage& picture, int size)
{
    if (picture.isNull() || size < 1 || size > MaxThumbnailSize)
        return {};
    const double shownWidth = picture.width() > 256 ? picture.width() / 2.0 : picture.width();
    const double shownHeight = picture.height() > 212 ? picture.height() / 2.0 : picture.height();
    const double scale = std::min(size / shownWidth, size / shownHeight);
    const int width = std::clamp(static_cast<int>(std::lround(shownWidth * scale)), 1, size);
    const int height = std::clamp(static_cast<int>(std::lround(shownHeight * scale)), 1, size);
    const bool enlarging = width >= picture.width() && height >= picture.height();
    return picture.scaled(width, height, Qt::IgnoreAspectRatio,
                          enlarging ? Qt::FastTransformation : Qt::SmoothTransformation);
}

QImage programScreen(QByteArrayView program, const QString& fontFamily)
{
    if (program.isEmpty() || documentKindOf(static_cast<std::uint8_t>(program[0])) != DocumentKind::TokenizedBasic)
        return {};
    QStringList rows;
    for (const QString& line : listedLines(program)) {
        // Wrapped as the screen wraps it; a character is one UTF-16 unit
        // here, since every MSX glyph has its code point in the BMP.
        for (qsizetype at = 0; at < line.size() && rows.size() < ScreenRows; at += ScreenColumns)
            rows.append(line.mid(at, ScreenColumns));
        if (rows.size() >= ScreenRows)
            break;
    }
    if (rows.isEmpty())
        return {};

    QImage screen(ScreenColumns * CellDots, ScreenRows * CellDots, QImage::Format_RGB32);
    screen.fill(msx1Colour(BackgroundColour));
    QPainter painter(&screen);
    QFont font(fontFamily);
    font.setPixelSize(CellDots);
    // The MSX fonts are dots drawn as squares one pixel wide at this size;
    // smoothing would only blur them.
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    painter.setFont(font);
    painter.setPen(msx1Colour(ForegroundColour));
    const int ascent = QFontMetrics(font).ascent();
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const QString& text = rows[row];
        // Cell by cell, so the grid holds whatever the font's advances.
        for (qsizetype column = 0; column < text.size(); ++column)
            painter.drawText(static_cast<int>(column) * CellDots, static_cast<int>(row) * CellDots + ascent,
                             QString(text[column]));
    }
    return screen;
}

QStringList programLines(QByteArrayView program, int count)
{
    if (program.isEmpty() || documentKindOf(static_cast<std::uint8_t>(program[0])) != DocumentKind::TokenizedBasic)
        return {};
    return listedLines(program).mid(0, std::max(count, 0));
}

QImage documentThumbnail(Opened& document, int size, const QString& fontFamily)
{
    return documentThumbnail(document, size, [&fontFamily] { return fontFamily; });
}

QImage documentThumbnail(Opened& document, int size, const std::function<QString()>& fontFamily)
{
    if (size < 1 || size > MaxThumbnailSize || document.isContainer())
        return {};
    if (document.role() == DocumentRole::Picture) {
        // As the image plugin reads it, with what lies beside it.
        const PictureFile picture(document);
        if (!picture.looksWhole())
            return {};
        auto converter = std::make_unique<BsaveConverter>();
        const PictureRequest request;
        // What was left out beside it is not the thumbnail's to tell.
        const PictureResult result = picture.decode(picture.chooseMode(request.mode).mode, request, *converter);
        return fitPicture(qt::toQImage(result.picture), size);
    }
    if (document.head().kind != DocumentKind::TokenizedBasic)
        return {};
    const std::string program = document.readAll(static_cast<std::size_t>(ProgramReadLimit));
    return fitPicture(
        programScreen(QByteArrayView(program.data(), static_cast<qsizetype>(program.size())), fontFamily()), size);
}

QImage makeThumbnail(const std::string& path, int size, const QString& fontFamily)
{
    return makeThumbnail(path, size, [&fontFamily] { return fontFamily; });
}

QImage makeThumbnail(const std::string& path, int size, const std::function<QString()>& fontFamily)
{
    if (size < 1 || size > MaxThumbnailSize)
        return {};
    // A pipe or a device would block or never end; a file's own name may
    // hold "::", and file managers never ask for members.
    static const DiskFiles files(DiskFiles::Rule::RegularOnly);
    try {
        Opened document = openName(MemberPath{path, {}}, path, files);
        return documentThumbnail(document, size, fontFamily);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace quillet::thumb
