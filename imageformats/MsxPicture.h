// SPDX-License-Identifier: MIT
#pragma once
// MSX pictures for Qt programs: the bytes of a device go through the core's
// door and picture road (document/Picture.h) as every program's do, with a
// paint program's palette file and an interlaced partner beside a file,
// and come out as a QImage.

#include "image/DecodedPicture.h"

#include <QIODevice>
#include <QImage>
#include <QString>

namespace quillet::qt {

// Whether the device's next bytes are a picture the core reads with
// confidence (document/Picture.h, looksLikePicture) under `name`, as
// readMsxPicture is given it: the header and the bytes left on the
// device, or on a sequential one as many as it has ready. The device is
// only peeked at, never moved.
bool looksLikeMsxPicture(QIODevice& device, const QString& name);

// Reads the picture from `device` (at most what a picture can use) and
// decodes it: 8-bit colour numbers with the picture's colours as colour
// table, or 24-bit for YJK pictures. `name` is the file's path, or any
// name whose extension says the mode; when `device` is a QFile of that
// name, a palette file and an interlaced partner beside it take part, but
// one that cannot be read is left out rather than failing the picture. A
// null image when the data is no picture the core reads with confidence
// under that name (looksLikeMsxPicture).
QImage readMsxPicture(QIODevice& device, const QString& name);

// The decoded picture as a 24-bit image of the same size (for a picture
// decoded without a row target).
QImage toQImage(const DecodedPicture& picture);

} // namespace quillet::qt
