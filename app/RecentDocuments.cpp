#include "app/RecentDocuments.h"

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

} // namespace quillet::app
