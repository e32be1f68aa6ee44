// SPDX-License-Identifier: MIT
#pragma once
// Thumbnails for file managers: an MSX picture fitted into a square, or the
// first lines of a tokenized BASIC program as an MSX text screen shows them.

#include "document/Open.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace quillet::thumb {

// A program is listed from this many bytes at most: far more than the
// lines a thumbnail shows (a line holds at most 255 bytes).
inline constexpr qint64 ProgramReadLimit = 16 * 1024;

// The text screen a program is drawn on: SCREEN 1's 32 by 24 characters of
// 8 by 8 dots, white on dark blue as BASIC starts.
inline constexpr int ScreenColumns = 32;
inline constexpr int ScreenRows = 24;
inline constexpr int CellDots = 8;

// The largest thumbnail made; file managers ask for 1024 at most.
inline constexpr int MaxThumbnailSize = 4096;

// `picture` with the shape an MSX screen gives it (512-wide modes have
// half-width pixels, an interlaced picture half-height lines), fitted into
// `size` by `size`. Enlarging repeats pixels, which keeps pixel art sharp;
// shrinking averages them, which keeps small thumbnails readable where
// dropping pixels would break up lines and dithering.
QImage fitPicture(const QImage& picture, int size);

// The first screen of the listing of `program` (a whole file, its first
// byte 0xFF) as a 256 by 192 image drawn in `fontFamily`: each listed line
// from the screen's left edge, wrapping at 32 characters, as LIST shows
// it. A damaged program shows the lines before the damage. A null image
// when not one line can be listed.
QImage programScreen(QByteArrayView program, const QString& fontFamily);

// The first `count` lines of the listing of `program` (a whole file, its
// first byte 0xFF), as far as they can be listed; empty for anything else.
QStringList programLines(QByteArrayView program, int count);

// The thumbnail of an opened document, as makeThumbnail below makes it
// after opening the file. Throws what reading the document throws.
QImage documentThumbnail(Opened& document, int size, const QString& fontFamily);
// The same with the family asked for only when a program is drawn: a
// picture needs no fonts, so a caller can leave Qt's fonts and platform
// unstarted until then.
QImage documentThumbnail(Opened& document, int size, const std::function<QString()>& fontFamily);

// The thumbnail of the file at `path` (a local name): a picture (first byte 0xFE) or a
// tokenized program (0xFF), fitted into `size`. Reads at most a picture's
// worth of bytes. A null image for any other file, one that cannot be
// read, or a size outside 1 to MaxThumbnailSize.
QImage makeThumbnail(const std::string& path, int size, const QString& fontFamily);
QImage makeThumbnail(const std::string& path, int size, const std::function<QString()>& fontFamily);

} // namespace quillet::thumb
