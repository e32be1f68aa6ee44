#include "app/SaveCopy.h"

#include "common/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillet::app {

namespace {

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// Qt gives no errno; the cause is read off the file where it can be.
ErrorKind causeOfFailedOpen(const QString& path, QFileDevice::FileError error, ErrorKind otherwise)
{
    const QFileInfo info(path);
    if (error == QFileDevice::PermissionsError)
        return ErrorKind::PermissionDenied;
    if (otherwise == ErrorKind::ReadFailed && !info.exists())
        return ErrorKind::FileNotFound;
    if (info.exists() && !info.isFile())
        return ErrorKind::NotRegularFile;
    return otherwise;
}

} // namespace

void copyReplacing(const QString& from, const QString& to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw QuilletError(causeOfFailedOpen(from, source.error(), ErrorKind::ReadFailed), localPath(from));
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        throw QuilletError(causeOfFailedOpen(to, target.error(), ErrorKind::CreateFailed), localPath(to));
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

} // namespace quillet::app
