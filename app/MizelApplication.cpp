#include "MizelApplication.h"

#include "Exception.h"
#include "MessageBox.h"
#include "X11ClipboardGuard.h"

#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QtGui/qguiapplication_platform.h>
#include <QThreadPool>
#include <QWidget>
#include <algorithm>
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

namespace {

constexpr QChar firstStrongIsolate(0x2068);
constexpr QChar popDirectionalIsolate(0x2069);

// How much of each end of a long quote the error box keeps.
constexpr qsizetype keptCharacters = 32;
constexpr int keptLineBreaks = 3;

bool isLineBreak(QChar c)
{
    return c.direction() == QChar::DirB || c == QChar::LineSeparator;
}

// Keeps the start and the end of a quote too long for the screen, joined by
// an ellipsis; never splits a surrogate pair.
QString shortened(const QString &text)
{
    const qsizetype size = text.size();
    const auto lineBreaks = std::count_if(text.begin(), text.end(), isLineBreak);
    if (size <= 2 * keptCharacters && lineBreaks <= 2 * keptLineBreaks)
        return text;

    qsizetype headEnd = 0;
    for (int breaks = 0; headEnd < keptCharacters; ++headEnd) {
        if (isLineBreak(text[headEnd]) && ++breaks > keptLineBreaks)
            break;
    }
    if (headEnd > 0 && text[headEnd - 1].isHighSurrogate())
        --headEnd;
    qsizetype tailStart = size;
    for (int breaks = 0; tailStart > size - keptCharacters; --tailStart) {
        if (isLineBreak(text[tailStart - 1]) && ++breaks > keptLineBreaks)
            break;
    }
    if (tailStart < size && text[tailStart].isLowSurrogate())
        ++tailStart;
    return text.left(headEnd) + QChar(0x2026) + text.mid(tailStart);
}

// The text as a first-strong isolate, one per paragraph (an isolate ends with
// its paragraph). Isolates opened in the text are closed with it, and a pop
// that would close the enclosing isolate is dropped.
QString isolated(const QString &text)
{
    QString out(firstStrongIsolate);
    int open = 0;
    for (QChar c : text) {
        switch (c.direction()) {
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
            ++open;
            break;
        case QChar::DirPDI:
            if (open == 0)
                continue;
            --open;
            break;
        case QChar::DirB:
            out += QString(open + 1, popDirectionalIsolate) + c + firstStrongIsolate;
            open = 0;
            continue;
        default:
            break;
        }
        out += c;
    }
    return out + QString(open + 1, popDirectionalIsolate);
}

// The last character's first cp932 byte compares greater than "." for every
// character outside ASCII (lead bytes, half-width kana and the "?" that stands
// for a character cp932 lacks), so no conversion is needed: the error display
// must work also where memory has run out.
bool endsAboveFullStop(const QString &message)
{
    return !message.isEmpty() && (message.back().unicode() >= 0x80 || message.back() > u'.');
}

} // namespace

QString errorDisplayText(const QString &lead, const QString &quoted, const QString &rest)
{
    QString text = lead;
    if (!quoted.isEmpty())
        text += isolated(shortened(quoted));
    text += rest;
    const QString &last = !rest.isEmpty() ? rest : !quoted.isEmpty() ? quoted : lead;
    return endsAboveFullStop(last) ? text + u'.' : text;
}

QString errorDisplayText(const Exception &error)
{
    const std::string &message = error.message();
    const std::size_t start = std::min(error.quoteStart(), message.size());
    const std::size_t end = std::min(start + error.quoteLength(), message.size());
    return errorDisplayText(QString::fromStdString(message.substr(0, start)),
                            QString::fromStdString(message.substr(start, end - start)),
                            QString::fromStdString(message.substr(end)));
}

void showCurrentException()
{
    QString text;
    try {
        throw;
    } catch (const std::bad_alloc &) {
        text = errorDisplayText(QStringLiteral("メモリが不足しています"));
    } catch (const Exception &error) {
        text = errorDisplayText(error);
    } catch (const std::exception &error) {
        text = errorDisplayText(QString::fromUtf8(error.what()));
    } catch (...) {
        text = errorDisplayText(QStringLiteral("不明なエラーが発生しました"));
    }
    messageBox(text, QMessageBox::Critical);
}

} // namespace mizel
