// SPDX-License-Identifier: MIT
#include "app/SaveCopy.h"

#include "app/LocalPath.h"
#include "common/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillet::app {

namespace {

// Qt gives no errno; the cause is read off the file and its folder.
ErrorKind causeOfFailedRead(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return ErrorKind::FileNotFound;
    if (!info.isFile())
        return ErrorKind::NotRegularFile;
    if (!info.isReadable())
        return ErrorKind::PermissionDenied;
    return ErrorKind::ReadFailed;
}

ErrorKind causeOfFailedCreate(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return ErrorKind::NotRegularFile;
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return ErrorKind::FileNotFound;
    if (!folder.isWritable() || (info.exists() && !info.isWritable()))
        return ErrorKind::PermissionDenied;
    return ErrorKind::CreateFailed;
}

} // namespace

void copyReplacing(const QString& from, const QString& to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw QuilletError(causeOfFailedRead(from), localPath(from));
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        throw QuilletError(causeOfFailedCreate(to), localPath(to));
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = source.read(buffer, sizeof buffer);
        if (got < 0) {
            target.cancelWriting();
            throw QuilletError(ErrorKind::ReadFailed, localPath(from));
        }
        if (got == 0)
            break;
        if (target.write(buffer, got) != got) {
            target.cancelWriting();
            throw QuilletError(ErrorKind::WriteFailed, localPath(to));
        }
    }
    if (!target.commit())
        throw QuilletError(ErrorKind::WriteFailed, localPath(to));
}

void writeReplacing(std::string_view bytes, const QString& to)
{
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        throw QuilletError(causeOfFailedCreate(to), localPath(to));
    if (target.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        target.cancelWriting();
        throw QuilletError(ErrorKind::WriteFailed, localPath(to));
    }
    if (!target.commit())
        throw QuilletError(ErrorKind::WriteFailed, localPath(to));
}

} // namespace quillet::app
