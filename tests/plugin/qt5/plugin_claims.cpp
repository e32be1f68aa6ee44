// SPDX-License-Identifier: MIT
// Prints what an image-format plugin claims, one line per format: the
// format, its MIME type and whether the plugin reads and writes it. Built
// against Qt 5 and against Qt 6 from this one source, so that the two
// builds of the plugin can be compared line for line.

#include <QCoreApplication>
#include <QImageIOPlugin>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PLUGIN-FILE\n", argv[0]);
        return 2;
    }
    QPluginLoader loader(QString::fromLocal8Bit(argv[1]));
    auto* plugin = qobject_cast<QImageIOPlugin*>(loader.instance());
    if (!plugin) {
        std::fprintf(stderr, "%s\n", qPrintable(loader.errorString()));
        return 1;
    }
    const QJsonObject metaData = loader.metaData().value(QLatin1String("MetaData")).toObject();
    const QJsonArray keys = metaData.value(QLatin1String("Keys")).toArray();
    const QJsonArray mimeTypes = metaData.value(QLatin1String("MimeTypes")).toArray();
    QStringList lines;
    for (int i = 0; i < keys.size(); ++i) {
        const QString format = keys.at(i).toString();
        const QImageIOPlugin::Capabilities can = plugin->capabilities(nullptr, format.toLatin1());
        lines << format + QLatin1Char(' ') + mimeTypes.at(i).toString()
                     + QLatin1String(can & QImageIOPlugin::CanRead ? " read" : " -")
                     + QLatin1String(can & QImageIOPlugin::CanWrite ? " write" : " -");
    }
    lines.sort();
    for (const QString& line : lines)
        std::printf("%s\n", qPrintable(line));
    return 0;
}
