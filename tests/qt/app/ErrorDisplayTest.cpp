#include "ErrorText.h"
#include "MizelApplication.h"
#include "ModalBoxWatcher.h"
#include "QtText.h"
#include "TextToInt.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

QString displayedConversionError(const QString &text)
{
    return mizel::qtText(mizel::errorDisplayText(mizel::EConvertError(text.toStdString())));
}

// x of each cursor position of a paragraph laid out as a label lays it out:
// direction from its first strong character.
std::vector<qreal> cursorPositions(const QString &paragraph)
{
    QTextLayout layout(paragraph, QApplication::font());
    QTextOption option;
    option.setTextDirection(Qt::LayoutDirectionAuto);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    std::vector<qreal> x;
    for (int i = 0; i <= paragraph.size(); ++i)
        x.push_back(line.cursorToX(i));
    return x;
}

} // namespace

TEST(ErrorDisplay, CatchesExceptionsLeavingAHandler)
{
    ModalBoxWatcher watcher;
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        if (clicks == 1)
            mizel::textToInt("1.5");
        throw std::bad_alloc();
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);

    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("'\u20681.5\u2069' は整数ではありません."));
    EXPECT_EQ(watcher.boxes[0].title, QStringLiteral("Mizel４"));
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(watcher.boxes[1].text, QStringLiteral("メモリが不足しています."));
    EXPECT_LE(watcher.boxes[0].centreOffset.manhattanLength(), 2);
}

TEST(ErrorDisplay, QuotedTextCannotReorderTheWordsAroundIt)
{
    const QString rest = QStringLiteral("' は整数ではありません.");
    const QString hostile[] = {
        QStringLiteral("\u202Eabc"), QStringLiteral("\u202Babc"), QStringLiteral("\u2067abc"),
        QStringLiteral("\u2069\u202Eabc"), QStringLiteral("\u2066\u2069\u2069\u202E1"),
        QStringLiteral("abc\n\u202Edef"), QStringLiteral("7\u2029\u2067שלום"), QStringLiteral("שלום"),
    };
    for (const QString &text : hostile) {
        const QString shown = displayedConversionError(text);
        SCOPED_TRACE(shown.toStdString());
        const QStringList paragraphs = shown.split(QRegularExpression(QStringLiteral("[\\n\\x{2029}]")));
        // The opening quote stays at the start, the program's words in their order.
        const std::vector<qreal> first = cursorPositions(paragraphs.front());
        EXPECT_LT(first[0], first[1]);
        const QString &last = paragraphs.back();
        ASSERT_TRUE(last.endsWith(rest));
        const std::vector<qreal> x = cursorPositions(last);
        for (qsizetype i = last.size() - rest.size(); i < last.size(); ++i)
            EXPECT_LT(x[std::size_t(i)], x[std::size_t(i + 1)]) << i;
    }
}

TEST(ErrorDisplay, LongQuotesKeepBothEndsAndTheBoxFitsTheScreen)
{
    ModalBoxWatcher watcher;
    const QString longTexts[] = {
        QString(100000, u'9'), QStringLiteral("7\n").repeated(5000), QStringLiteral("7\r\n").repeated(40),
        QStringLiteral("数").repeated(3000), QStringLiteral("😀").repeated(2001), QStringLiteral("a\u2028").repeated(300),
    };
    for (const QString &text : longTexts) {
        try {
            throw mizel::EConvertError(text.toStdString());
        } catch (...) {
            mizel::showCurrentException();
        }
        ASSERT_FALSE(watcher.boxes.empty());
        const SeenBox &box = watcher.boxes.back();
        SCOPED_TRACE(box.text.left(80).toStdString());
        EXPECT_TRUE(box.withinScreen);
        const QString withoutIsolates = QString(box.text).remove(QRegularExpression(QStringLiteral("[\\x{2068}\\x{2069}]")));
        EXPECT_TRUE(withoutIsolates.startsWith(u'\'' + text.left(1)));
        EXPECT_TRUE(withoutIsolates.endsWith(text.right(1) + QStringLiteral("' は整数ではありません.")));
        EXPECT_TRUE(box.text.contains(u'…'));
        EXPECT_TRUE(box.text.isValidUtf16());
    }
    watcher.boxes.clear();
}
