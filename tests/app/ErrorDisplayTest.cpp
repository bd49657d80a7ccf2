#include "MizelApplication.h"
#include "ModalBoxWatcher.h"
#include "TextToInt.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(ErrorDisplay, AppendsAFullStopAfterCharactersAboveIt)
{
    EXPECT_EQ(mizel::errorDisplayText(QStringLiteral("メモリが不足しています")), QStringLiteral("メモリが不足しています."));
    EXPECT_EQ(mizel::errorDisplayText(QStringLiteral("'' は整数ではありません")), QStringLiteral("'' は整数ではありません."));
    EXPECT_EQ(mizel::errorDisplayText(QStringLiteral("code 7")), QStringLiteral("code 7."));
    EXPECT_EQ(mizel::errorDisplayText(QStringLiteral("半角ｶﾅ")), QStringLiteral("半角ｶﾅ."));
    // An emoji has no cp932 form and counts as "?".
    EXPECT_EQ(mizel::errorDisplayText(QStringLiteral("x😀")), QStringLiteral("x😀."));
}

TEST(ErrorDisplay, KeepsMessagesEndingAtOrBelowTheFullStop)
{
    for (const char *message : {"", "done.", "stop!", "a-", "(x)", "a,"})
        EXPECT_EQ(mizel::errorDisplayText(QString::fromUtf8(message)), QString::fromUtf8(message));
}

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
