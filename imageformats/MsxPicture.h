#pragma once
// MSX BSAVE pictures for Qt programs: a file read the way quillet-convert
// reads it (the mode from the name and the header, a paint program's
// palette file and an interlaced partner beside it), decoded by the core
// and handed out as a QImage.

#include "image/BsaveConverter.h"
#include "image/DecodedPicture.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QImage>
#include <QString>

#include <string_view>

namespace quillet::qt {

// The file name extensions the plugin answers to, lower case, besides
// "msx"; each names a mode detectScreenModeFromPictureName knows.
inline constexpr std::string_view PictureSuffixes[] = {
    "sc1", "sc2", "sc3", "sc4", "grp", "sc5", "sc6", "sc7", "sc8", "sca", "scb", "scc", "s10",
    "s11", "s12", "sr5", "sr6", "sr7", "sr8", "srs", "ge5", "ge6", "ge7", "ge8", "s05", "s06",
    "s07", "s08", "s0a", "s0b", "s0c", "s15", "s16", "s17", "s18", "s1a", "s1b", "s1c"};

// The mark, start, end and execution address.
inline constexpr qint64 BsaveHeaderBytes = 7;
// A load never uses more than the header and all of video memory; one byte
// more is read so that a longer file still counts as longer.
inline constexpr qint64 PictureReadLimit = BsaveHeaderBytes + static_cast<qint64>(VramImageSize) + 1;

// Whether a file that starts with `head` is a picture the core decodes: a
// whole header with the BSAVE mark and an end address not below the start
// (BSAVE cannot save backwards; paint programs put the data size there,
// which is no less than their start 0). What follows the header is never
// refused: short data shows black, long data is cut at video memory.
bool looksLikeMsxPicture(QByteArrayView head);

// Reads the picture from `device` (at most PictureReadLimit bytes) and
// decodes it. `name` is the file's path, or any name whose extension says
// the mode; when `device` is a QFile of that name, a palette file and an
// interlaced partner beside it take part as in quillet-convert, but one
// that cannot be read is left out rather than failing the picture. A null
// image when the data is no picture.
QImage readMsxPicture(QIODevice& device, const QString& name);

// The decoded picture as a 24-bit image of the same size.
QImage toQImage(const DecodedPicture& picture);

} // namespace quillet::qt
