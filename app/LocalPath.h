// SPDX-License-Identifier: MIT
#pragma once
// Paths between Qt's strings and the local 8-bit names the core and the
// system calls take, in the encoding of the file system.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

namespace quillet::app {

inline std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

inline QString localToQString(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace quillet::app
