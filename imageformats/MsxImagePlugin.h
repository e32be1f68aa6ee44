// SPDX-License-Identifier: MIT
#pragma once
// The Qt image-format plugin: Qt programs (image viewers, KDE's thumbnails)
// read MSX BSAVE pictures through QImageReader with the core's decoder.

#include <QImage>
#include <QImageIOHandler>
#include <QImageIOPlugin>

#include <optional>

namespace quillet::qt {

class MsxImageHandler final : public QImageIOHandler {
public:
    bool canRead() const override;
    bool read(QImage* image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;

    // looksLikeMsxPicture of the device (imageformats/MsxPicture.h) under
    // the name detectionName gives it.
    static bool canRead(QIODevice* device, const QByteArray& format);

    // The name the mode is detected from: the file's, or for another
    // device one made from the format the caller asked for ("x.sc2").
    static QString detectionName(const QIODevice* device, const QByteArray& format);

private:
    // Decodes once; size queries and read() share the result.
    const QImage& decoded() const;

    mutable std::optional<QImage> decoded_;
};

class MsxImagePlugin final : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QImageIOHandlerFactoryInterface" FILE "msx.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};

} // namespace quillet::qt
