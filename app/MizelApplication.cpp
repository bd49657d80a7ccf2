#include "MizelApplication.h"

#include "Cp932.h"
#include "Exception.h"
#include "MessageBox.h"

#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <new>

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
}

bool MizelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        mizel::showCurrentException();
        return true;
    }
}

namespace mizel {

QString errorDisplayText(const QString &message)
{
    if (message.isEmpty())
        return message;
    const qsizetype lastLength = message.back().isLowSurrogate() && message.size() > 1 ? 2 : 1;
    const QByteArray last = toCp932(message.right(lastLength));
    return static_cast<unsigned char>(last.front()) > '.' ? message + u'.' : message;
}

void showCurrentException()
{
    QString message;
    try {
        throw;
    } catch (const std::bad_alloc &) {
        message = QStringLiteral("メモリが不足しています");
    } catch (const mizel::Exception &error) {
        message = QString::fromStdString(error.message());
    } catch (const std::exception &error) {
        message = QString::fromUtf8(error.what());
    } catch (...) {
        message = QStringLiteral("不明なエラーが発生しました");
    }
    messageBox(errorDisplayText(message), QMessageBox::Critical);
}

} // namespace mizel
