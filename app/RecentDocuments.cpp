// SPDX-License-Identifier: MIT
#include "app/RecentDocuments.h"

#include "app/SettingsStore.h"
#include "app/SettingsTable.h"
#include "common/HexDigits.h"
#include "common/Utf8.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace quillet::app {

namespace {

constexpr qint64 MaxListSize = 16 * 1024 * 1024;
constexpr int MaxEntries = 1000;

const char* const EmptyList = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<xbel version=\"1.0\"\n"
                              "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
                              "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"\n"
                              ">\n"
                              "</xbel>\n";

QString timestamp()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz000Z"));
}

QDomElement child(QDomElement parent, const QString& name, QDomDocument& doc)
{
    QDomElement found = parent.firstChildElement(name);
    if (found.isNull()) {
        found = doc.createElement(name);
        parent.appendChild(found);
    }
    return found;
}

// An entry is kept as its bytes, but for the separator, "%", control
// characters and (in a name that is not UTF-8) the bytes from 0x80, which
// are written as %XX: the store holds UTF-8 text on one line.
constexpr char Separator = '|';

std::string encodeEntry(std::string_view path)
{
    const bool utf8 = isValidUtf8(path);
    std::string text;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == Separator || c == '%' || byte < 0x20 || byte == 0x7F || (!utf8 && byte >= 0x80)) {
            text += '%';
            text += upperHexDigit(byte >> 4);
            text += upperHexDigit(byte);
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace

RecentDocuments::RecentDocuments() : path_(defaultPath())
{}

RecentDocuments::RecentDocuments(QString xbelPath) : path_(std::move(xbelPath))
{}

QString RecentDocuments::defaultPath()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/recently-used.xbel");
}

bool RecentDocuments::add(const QString& file, const QString& mimeType) const
{
    const QFileInfo listInfo(path_);
    if (!QDir().mkpath(listInfo.absolutePath()))
        return false;
    QLockFile lock(path_ + QStringLiteral(".quillet-lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(2000))
        return false;

    QByteArray text(EmptyList);
    QFile existing(path_);
    if (existing.exists()) {
        if (existing.size() > MaxListSize || !existing.open(QIODevice::ReadOnly))
            return false;
        text = existing.readAll();
        existing.close();
    }
    QDomDocument doc;
    if (!doc.setContent(text))
        return false;
    QDomElement root = doc.documentElement();
    if (root.tagName() != QStringLiteral("xbel"))
        return false;

    const QString href = QString::fromUtf8(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded());
    const QString now = timestamp();
    QDomElement bookmark;
    int entries = 0;
    for (QDomElement e = root.firstChildElement(QStringLiteral("bookmark")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("bookmark"))) {
        ++entries;
        if (e.attribute(QStringLiteral("href")) == href)
            bookmark = e;
    }
    if (bookmark.isNull()) {
        if (entries >= MaxEntries)
            root.removeChild(root.firstChildElement(QStringLiteral("bookmark")));
        bookmark = doc.createElement(QStringLiteral("bookmark"));
        bookmark.setAttribute(QStringLiteral("href"), href);
        bookmark.setAttribute(QStringLiteral("added"), now);
        root.appendChild(bookmark);
    }
    bookmark.setAttribute(QStringLiteral("modified"), now);
    bookmark.setAttribute(QStringLiteral("visited"), now);

    QDomElement metadata = child(child(bookmark, QStringLiteral("info"), doc), QStringLiteral("metadata"), doc);
    metadata.setAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    child(metadata, QStringLiteral("mime:mime-type"), doc).setAttribute(QStringLiteral("type"), mimeType);
    QDomElement applications = child(metadata, QStringLiteral("bookmark:applications"), doc);
    const QString appName = QStringLiteral("Quillet");
    QDomElement application;
    for (QDomElement e = applications.firstChildElement(QStringLiteral("bookmark:application")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("bookmark:application"))) {
        if (e.attribute(QStringLiteral("name")) == appName)
            application = e;
    }
    if (application.isNull()) {
        application = doc.createElement(QStringLiteral("bookmark:application"));
        application.setAttribute(QStringLiteral("name"), appName);
        application.setAttribute(QStringLiteral("exec"), QStringLiteral("'quillet %u'"));
        application.setAttribute(QStringLiteral("count"), 0);
        applications.appendChild(application);
    }
    application.setAttribute(QStringLiteral("modified"), now);
    application.setAttribute(QStringLiteral("count"), application.attribute(QStringLiteral("count")).toInt() + 1);

    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(doc.toByteArray(2));
    return out.commit();
}

std::vector<std::string> RecentFiles::decodeList(std::string_view text)
{
    std::vector<std::string> files;
    std::string entry;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == Separator) {
            // An entry written twice by hand is listed once.
            if (!entry.empty() && std::find(files.begin(), files.end(), entry) == files.end())
                files.push_back(entry);
            entry.clear();
        } else if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0
                   && hexDigitValue(text[i + 2]) >= 0) {
            entry += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            entry += text[i]; // a "%" typed by hand stands for itself
        }
    }
    return files;
}

std::string RecentFiles::encodeList(const std::vector<std::string>& files)
{
    std::string text;
    for (const std::string& file : files) {
        if (!text.empty())
            text += Separator;
        text += encodeEntry(file);
    }
    return text;
}

RecentFiles::RecentFiles(std::string storePath) : storePath_(std::move(storePath))
{}

std::vector<std::string> RecentFiles::files() const
{
    const SettingsStore store(storePath_);
    std::vector<std::string> files = decodeList(store.readString(SettingsSection, setting::RecentFiles, ""));
    if (files.size() > MaxFiles)
        files.resize(MaxFiles);
    return files;
}

bool RecentFiles::add(const std::string& path) const
{
    if (path.empty())
        return false;
    SettingsStore store(storePath_);
    store.writeMade(SettingsSection, setting::RecentFiles, [path](std::optional<std::string_view> held) {
        std::vector<std::string> files = decodeList(held.value_or(""));
        std::erase(files, path);
        files.insert(files.begin(), path);
        if (files.size() > MaxFiles)
            files.resize(MaxFiles);
        return encodeList(files);
    });
    return store.close();
}

bool RecentFiles::clear() const
{
    SettingsStore store(storePath_);
    store.writeString(SettingsSection, setting::RecentFiles, "");
    return store.close();
}

} // namespace quillet::app
