// Writes a PNG of the grid with a loaded list, a selected range and the focus,
// to check its look by eye: grid_screenshot [file.png]
#include "GridTestSupport.h"
#include "Mizelstringgrid.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <random>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(MIZEL_DOCS_DIR "/grid.png");
    QDir().mkpath(QFileInfo(path).absolutePath());

    std::vector<std::int32_t> list(1000);
    std::mt19937 random(4);
    for (std::int32_t &value : list)
        value = std::int32_t(random());
    list[3] = -2147483648;

    TMizelStringGrid grid;
    grid.setFont(windowFont());
    grid.resize(285, 320);
    grid.show();
    grid.activateWindow();
    grid.setFocus();
    if (!QTest::qWaitForWindowActive(&grid))
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
