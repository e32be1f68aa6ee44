// SPDX-License-Identifier: MIT
// The application icon compiled into the viewer: every size the icon theme
// expects is reachable through the resource system, at its own size, and
// actually drawn (a broken render gives a blank or opaque square).

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace {

int opaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
    return count;
}

} // namespace

TEST(IconResources, EveryThemeSizeIsDrawnAtItsSize)
{
    // The resources live in a static library; the program pulls them in the
    // same way.
    Q_INIT_RESOURCE(quillet);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage image(QStringLiteral(":/icons/quillet-%1.png").arg(size));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), size);
        EXPECT_EQ(image.height(), size);
        ASSERT_TRUE(image.hasAlphaChannel());
        // Transparent corners around a drawing that covers most of the square.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(0, size - 1)), 0);
        const int opaque = opaquePixels(image);
        EXPECT_GT(opaque, size * size / 3);
        EXPECT_LT(opaque, size * size);
    }
}
