// Writes a PNG of the main window, to check its look by eye:
//   window_screenshot file.png                  the window as it opens
//   window_screenshot file.png MAX MIN COUNT     after a Run, with rows selected
#include "Mainunit.h"
#include "MizelApplication.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    MizelApplication application(argc, argv);
    MizelApplication::setApplicationDisplayName(QStringLiteral("Mizel４"));
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: window_screenshot file.png [MAX MIN COUNT]\n");
        return 2;
    }

    TMF window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "the window was not shown\n");
    if (argc == 5) {
        window.findChild<QLineEdit *>(QStringLiteral("SaidaiEdit"))->setText(QString::fromLocal8Bit(argv[2]));
        window.findChild<QLineEdit *>(QStringLiteral("SaisyouEdit"))->setText(QString::fromLocal8Bit(argv[3]));
        window.findChild<QLineEdit *>(QStringLiteral("HasseiEdit"))->setText(QString::fromLocal8Bit(argv[4]));
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("ExeButton")), Qt::LeftButton);
        QWidget *grid = window.findChild<QWidget *>(QStringLiteral("MizelStringGrid1"));
        auto *cells = grid->findChild<QWidget *>(QStringLiteral("qt_scrollarea_viewport"));
        QTest::mouseClick(cells, Qt::LeftButton, {}, QPoint(20, 2 * 21 + 10));
        QTest::mouseClick(cells, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 4 * 21 + 10));
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
