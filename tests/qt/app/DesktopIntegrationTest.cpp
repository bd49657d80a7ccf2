#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <algorithm>
#include <gtest/gtest.h>

// Shells draw the icon from 16 px up; at every size a ring of at least one
// pixel, a sixteenth of the size, stays clear, and something is drawn.
TEST(DesktopIntegration, IconKeepsAMarginAtEverySize)
{
    const QIcon icon(QStringLiteral(":/icons/" MIZEL_COMPONENT_ID ".svg"));
    ASSERT_FALSE(icon.isNull()) << "no SVG icon engine";
    for (int size : {16, 22, 24, 32, 48, 64, 96, 128, 256}) {
        const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        const int margin = size / 16;
        int drawnInMargin = 0;
        int opaque = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const int alpha = qAlpha(image.pixel(x, y));
                drawnInMargin += alpha != 0 && std::min({x, y, size - 1 - x, size - 1 - y}) < margin;
                opaque += alpha == 255;
            }
        }
        EXPECT_EQ(drawnInMargin, 0) << size << " px";
        EXPECT_GT(opaque, size * size / 3) << size << " px";
    }

    // The running program names its desktop entry and shows this icon.
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral(MIZEL_COMPONENT_ID));
    EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
}
