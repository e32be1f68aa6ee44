// SPDX-License-Identifier: MIT
#pragma once
// Shared pieces of the plugin and thumbnailer tests: one QGuiApplication
// that finds the build's plugin folder, and the core's own decoding of a
// file to compare with.

#include "image/BsaveConverter.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace quillet::test {

// Created once, before Qt first looks for image plugins.
inline void guiApp()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_PLUGIN_PATH", QUILLET_PLUGIN_DIR);
    static int argc = 1;
    static char name[] = "quillet_plugin_tests";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives until the test program ends
    QCoreApplication::addLibraryPath(QStringLiteral(QUILLET_PLUGIN_DIR));
}

// The picture the core decodes from a whole BSAVE file (type byte
// included) in `mode`, with `second` as page 1 when given.
inline DecodedPicture coreDecode(std::string_view file, int mode, const PictureOptions& options = {},
                                 std::string_view second = {})
{
    auto converter = std::make_unique<BsaveConverter>();
    MemorySource source(file.substr(1));
    converter->loadVramImage(source, mode);
    if (!second.empty()) {
        MemorySource page1(second.substr(1));
        converter->loadSecondPage(page1, mode);
    }
    return converter->decode(mode, options);
}

// Every pixel of `image` against the core's picture; the first difference
// is reported.
inline ::testing::AssertionResult samePixels(const QImage& image, const DecodedPicture& picture)
{
    if (image.width() != picture.width || image.height() != picture.height)
        return ::testing::AssertionFailure() << "size " << image.width() << "x" << image.height() << ", core "
                                             << picture.width << "x" << picture.height;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgb expected = picture.pixel(x, y);
            const QRgb got = image.pixel(x, y);
            if (qRed(got) != expected.red || qGreen(got) != expected.green || qBlue(got) != expected.blue)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << std::hex << got;
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace quillet::test
