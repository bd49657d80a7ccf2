#include "MizelApplication.h"

#include "ErrorText.h"
#include "MessageBox.h"
#include "QtText.h"
#include "Texts.h"
#include "Unicode.h"
#include "X11ClipboardGuard.h"

#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QtGui/qguiapplication_platform.h>
#include <QThreadPool>
#include <QWidget>

MizelApplication::MizelApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // Monapo keeps the character widths the layout was drawn with.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("Monapo"), QStringLiteral("IPAPGothic")});
    // The whole interface is Japanese, Qt's own dialogs included, whatever the locale.
    if (qtTranslator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTranslator);
    // Pairs the window with its desktop entry on X11 and Wayland. The icon
    // theme's copy comes first, so that a theme may restyle it.
    setDesktopFileName(QStringLiteral(MIZEL_COMPONENT_ID));
    setWindowIcon(QIcon::fromTheme(QStringLiteral(MIZEL_COMPONENT_ID),
                                   QIcon(QStringLiteral(":/icons/" MIZEL_COMPONENT_ID ".svg"))));

    // Painting hands parts of its image work to the global thread pool and
    // waits for them. When a list leaves too little address space for a new
    // thread's stack, a thread that cannot start would leave the painter
    // waiting for ever: start the pool's one thread now, while memory is
    // plentiful, and keep it for the life of the program.
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setMaxThreadCount(1);
    pool->setExpiryTimeout(-1);
    pool->start([] {});

    auto *x11 = nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->connection()) {
        clipboardGuard = std::make_unique<X11ClipboardGuard>(x11->connection());
        installNativeEventFilter(clipboardGuard.get());
    }
}

MizelApplication::~MizelApplication() = default;

bool MizelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        mizel::showCurrentException();
        return true;
    }
}

void MizelApplication::execUntilClosed(const QWidget &mainWindow)
{
    for (;;) {
        try {
            exec();
            return;
        } catch (...) {
            mizel::showCurrentException();
        }
        if (!mainWindow.isVisible())
            return;
    }
}

namespace mizel {

void showCurrentException()
{
    messageBox(qtText(currentErrorDisplayText()), QMessageBox::Critical);
}

} // namespace mizel
