// Writes a PNG of the grid with a loaded list, a selected range and the focus,
// to check its look by eye: grid_screenshot [--dark] [file.png]
// (QT_SCALE_FACTOR=1.5 for a scaled screen)
#include "GridTestSupport.h"
#include "Mizelstringgrid.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPalette>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <random>

namespace {

// A dark desktop theme's colours.
QPalette darkPalette()
{
    const QColor window(0x35, 0x35, 0x35);
    const QColor text(0xE6, 0xE6, 0xE6);
    QPalette palette(text, window, window.lighter(150), window.darker(150), window.darker(120), text,
                     Qt::white, QColor(0x24, 0x24, 0x24), window);
    palette.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.removeAll(QStringLiteral("--dark")) > 0)
        app.setPalette(darkPalette());
    const QString path = args.isEmpty() ? QStringLiteral(MIZEL_DOCS_DIR "/grid.png") : args.first();
    QDir().mkpath(QFileInfo(path).absolutePath());

    mizel::ValueList list(1000);
    std::mt19937 random(4);
    for (std::int32_t &value : list)
        value = std::int32_t(random());
    list[3] = -2147483648;

    TMizelStringGrid grid;
    if (!showFocused(grid))
        std::fprintf(stderr, "the grid did not get the focus\n");
    grid.loadVector(&list);
    // Rows 3 to 6 selected, the focus on row 3.
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Down);
    const QPoint row6(10, 6 * 21 + 10);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, row6);

    if (!grid.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
