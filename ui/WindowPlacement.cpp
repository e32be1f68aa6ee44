// SPDX-License-Identifier: MIT
#include "ui/WindowPlacement.h"

#include <QString>
#include <QStringList>

#include <algorithm>

namespace quillet::ui {

namespace {

std::optional<QRect> parseGeometry(std::string_view text)
{
    const QStringList parts =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return QRect(values[0], values[1], values[2], values[3]);
}

qint64 overlap(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

// `start` moved as little as possible so that [start, start + length)
// lies within [low, high); the low end wins when it cannot.
int keepWithin(int start, int length, int low, int high)
{
    return std::max(low, std::min(start, high - length));
}

} // namespace

std::string geometryText(const QRect& client)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(client.x())
        .arg(client.y())
        .arg(client.width())
        .arg(client.height())
        .toStdString();
}

std::optional<QRect> restoredGeometry(std::string_view stored, const QMargins& frame, const QList<QRect>& screens)
{
    const std::optional<QRect> client = parseGeometry(stored);
    if (!client || screens.isEmpty())
        return client;
    const QRect outer = client->marginsAdded(frame);
    QRect area = screens.first();
    qint64 best = 0;
    for (const QRect& screen : screens) {
        if (const qint64 shared = overlap(outer, screen); shared > best) {
            best = shared;
            area = screen;
        }
    }
    // Where the client may lie so that its frame stays on the screen.
    QRect room = area.marginsRemoved(frame);
    if (room.width() <= 0 || room.height() <= 0)
        room = area;
    const int width = std::min(client->width(), room.width());
    const int height = std::min(client->height(), room.height());
    const int x = keepWithin(client->x(), width, room.left(), room.left() + room.width());
    const int y = keepWithin(client->y(), height, room.top(), room.top() + room.height());
    return QRect(x, y, width, height);
}

QRect widenedWithin(const QRect& frame, int extra, const QRect& available)
{
    const int width = std::max(frame.width(), std::min(frame.width() + std::max(extra, 0), available.width()));
    const int left = keepWithin(frame.left(), width, available.left(), available.left() + available.width());
    return QRect(left, frame.top(), width, frame.height());
}

} // namespace quillet::ui
