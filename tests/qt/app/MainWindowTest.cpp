#include "WindowTest.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class MainWindow : public WindowTest
{
protected:
    // Types into a box as a user would, over its whole text: one key event
    // per character, carrying that character as its text.
    void typeInto(const char *name, const char *keys)
    {
        QLineEdit *box = edit(name);
        box->setFocus();
        box->selectAll();
        for (QChar typed : QString::fromUtf8(keys)) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(typed));
            QCoreApplication::sendEvent(box, &press);
        }
    }
};

struct ExpectedControl
{
    const char *name;
    QRect geometry;
    const char *text;
    const char *statusTip;
    int pointSize;
    bool enabled;
};

const ExpectedControl controls[] = {
    {"Label1", {16, 8, 96, 16}, "乱数の最大値", "", 12, true},
    {"Label3", {16, 32, 96, 16}, "乱数の最小値", "", 12, true},
    {"Label2", {16, 56, 96, 16}, "乱数の発生数", "", 12, true},
    {"SaidaiEdit", {120, 8, 153, 20}, "0", "生成する乱数の最大値　(0 以上 2^32/2-2以下)", 9, true},
    {"SaisyouEdit", {120, 32, 153, 20}, "0", "生成する乱数の最小値　(0 以上 2^32/2-2以下)", 9, true},
    {"HasseiEdit", {120, 56, 153, 20}, "1", "生成する乱数の個数　(0 以上 2^32/2-2以下)", 9, true},
    {"OnajiChk", {144, 80, 129, 17}, "同じ数を発生させない", "重複なく乱数を生成します", 9, true},
    {"SaidaiButton", {8, 80, 73, 25}, "最大発生数", "最小値以上最大値以下の全ての数を発生数に設定", 9, false},
    {"ExeButton", {8, 112, 73, 25}, "実行", "乱数を生成", 9, true},
    {"CopyButton", {88, 112, 73, 25}, "コピー", "生成した乱数をクリップボードにコピー", 9, true},
    {"SaveButton", {168, 112, 73, 25}, "保存", "生成した乱数をファイルに保存", 9, true},
};

QString captionOf(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    return qobject_cast<QAbstractButton *>(widget)->text();
}

} // namespace

TEST_F(MainWindow, ControlsStandWhereTheFormPutsThem)
{
    const QWidget *client = window.centralWidget();
    for (const ExpectedControl &expected : controls) {
        QWidget *widget = control(expected.name);
        const QRect inClient(widget->mapTo(client, QPoint(0, 0)), widget->size());
        EXPECT_EQ(inClient, expected.geometry) << expected.name;
        EXPECT_EQ(captionOf(widget), QString::fromUtf8(expected.text)) << expected.name;
        EXPECT_EQ(widget->statusTip(), QString::fromUtf8(expected.statusTip)) << expected.name;
        EXPECT_TRUE(widget->toolTip().isEmpty()) << expected.name;
        EXPECT_EQ(widget->isEnabled(), expected.enabled) << expected.name;
        EXPECT_EQ(widget->font().family(), QStringLiteral("ＭＳ Ｐゴシック")) << expected.name;
        EXPECT_EQ(widget->font().pointSize(), expected.pointSize) << expected.name;
        EXPECT_EQ(QFontInfo(widget->font()).family(), QStringLiteral("Monapo")) << expected.name;
    }
    EXPECT_FALSE(control<QCheckBox>("OnajiChk")->isChecked());
    // No input method composes into the maximum and count boxes.
    EXPECT_FALSE(edit("SaidaiEdit")->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(edit("SaisyouEdit")->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(edit("HasseiEdit")->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(MainWindow, WindowGridAndStatusBarFillTheClientArea)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Mizel４"));
    EXPECT_EQ(window.size(), QSize(285, 484));
    EXPECT_EQ(control("MizelStringGrid1")->geometry(), QRect(0, 145, 285, 320));
    EXPECT_EQ(window.statusBar()->geometry(), QRect(0, 465, 285, 19));
    EXPECT_TRUE(window.statusBar()->currentMessage().isEmpty());

    // Docked at the bottom: the grid keeps its height and follows the width.
    window.resize(400, 600);
    QTest::qWait(0);
    EXPECT_EQ(control("MizelStringGrid1")->geometry(), QRect(0, 261, 400, 320));
    EXPECT_EQ(window.statusBar()->geometry(), QRect(0, 581, 400, 19));
    EXPECT_EQ(control("ExeButton")->geometry(), QRect(8, 112, 73, 25));
}

TEST_F(MainWindow, TabOrderFollowsTheForm)
{
    const char *order[] = {"SaidaiEdit", "SaisyouEdit", "HasseiEdit", "OnajiChk", "SaidaiButton",
                           "ExeButton", "CopyButton", "SaveButton", "MizelStringGrid1"};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(control(order[i])->nextInFocusChain(), control(order[i + 1])) << order[i];
}

TEST_F(MainWindow, OpensWithTheMaximumSelectedAndCentred)
{
    EXPECT_EQ(QApplication::focusWidget(), edit("SaidaiEdit"));
    EXPECT_EQ(edit("SaidaiEdit")->selectedText(), QStringLiteral("0"));
    const QPoint offset = window.frameGeometry().center() - window.screen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 1);
}

TEST_F(MainWindow, KeyFilterKeepsDigitsAndTheAcceptedSigns)
{
    typeInto("SaidaiEdit", "-5");
    EXPECT_EQ(edit("SaidaiEdit")->text(), QStringLiteral("5"));
    typeInto("SaidaiEdit", "$10");
    EXPECT_EQ(edit("SaidaiEdit")->text(), QStringLiteral("$10"));
    typeInto("SaisyouEdit", "1.5#%&'(");
    EXPECT_EQ(edit("SaisyouEdit")->text(), QStringLiteral("1.5#%&'("));
    typeInto("HasseiEdit", "a b+xZ９)*");
    EXPECT_EQ(edit("HasseiEdit")->text(), QStringLiteral("1"));

    QTest::keyClick(edit("SaisyouEdit"), Qt::Key_End);
    QTest::keyClick(edit("SaisyouEdit"), Qt::Key_Backspace);
    QTest::keyClick(edit("SaisyouEdit"), Qt::Key_Home);
    QTest::keyClick(edit("SaisyouEdit"), Qt::Key_Delete);
    EXPECT_EQ(edit("SaisyouEdit")->text(), QStringLiteral(".5#%&'"));
}

TEST_F(MainWindow, InputMethodCommitsAreFilteredButPastingIsNot)
{
    QLineEdit *minimum = edit("SaisyouEdit");
    minimum->setFocus();
    minimum->clear();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("１2三3"));
    QCoreApplication::sendEvent(minimum, &commit);
    EXPECT_EQ(minimum->text(), QStringLiteral("23"));

    minimum->selectAll();
    minimum->insert(QStringLiteral("-１ x"));
    EXPECT_EQ(minimum->text(), QStringLiteral("-１ x"));
}

TEST_F(MainWindow, ClickOrKeyboardEntrySelectsTheWholeBox)
{
    edit("HasseiEdit")->setText(QStringLiteral("12345"));
    QTest::mouseClick(edit("HasseiEdit"), Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_COMPARE(edit("HasseiEdit")->selectedText(), QStringLiteral("12345"));
    // A second click lands on the selection, which a line edit would otherwise drop.
    QTest::mouseClick(edit("HasseiEdit"), Qt::LeftButton, {}, QPoint(8, 5));
    QTRY_COMPARE(edit("HasseiEdit")->selectedText(), QStringLiteral("12345"));

    edit("SaisyouEdit")->setText(QStringLiteral("678"));
    edit("SaidaiEdit")->setFocus();
    QTest::keyClick(edit("SaidaiEdit"), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), edit("SaisyouEdit"));
    EXPECT_EQ(edit("SaisyouEdit")->selectedText(), QStringLiteral("678"));
}

TEST_F(MainWindow, CheckBoxEnablesTheMaxCountButton)
{
    auto *check = control<QCheckBox>("OnajiChk");
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_TRUE(control("SaidaiButton")->isEnabled());
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_FALSE(control("SaidaiButton")->isEnabled());
}

TEST_F(MainWindow, MaxCountButtonWritesTheSizeOfTheRange)
{
    control<QCheckBox>("OnajiChk")->setChecked(true);
    const struct { const char *max, *min, *count; } cases[] = {
        {"10", "5", "6"}, {"5", "10", "-4"}, {"$10", "0", "17"}, {"2147483646", "0", "2147483647"},
        // More values than a count can hold: the largest count, which Run can read.
        {"2147483647", "0", "2147483647"}, {"$7FFFFFFF", "$80000000", "2147483647"},
        {"-2147483648", "2147483647", "-2147483648"},
    };
    for (const auto &c : cases) {
        edit("SaidaiEdit")->setText(QString::fromLatin1(c.max));
        edit("SaisyouEdit")->setText(QString::fromLatin1(c.min));
        QTest::mouseClick(control("SaidaiButton"), Qt::LeftButton);
        EXPECT_EQ(edit("HasseiEdit")->text(), QString::fromLatin1(c.count)) << c.max << " " << c.min;
    }
}

TEST_F(MainWindow, MaxCountButtonReportsABadBoxAndKeepsTheCount)
{
    control<QCheckBox>("OnajiChk")->setChecked(true);
    edit("HasseiEdit")->setText(QStringLiteral("3"));
    edit("SaidaiEdit")->setText(QStringLiteral("10"));
    edit("SaisyouEdit")->clear();
    QTest::mouseClick(control("SaidaiButton"), Qt::LeftButton);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("'' は整数ではありません."));
    EXPECT_EQ(edit("HasseiEdit")->text(), QStringLiteral("3"));

    // Without the tick the button does nothing at all (also when enabled by hand).
    control<QCheckBox>("OnajiChk")->setChecked(false);
    control("SaidaiButton")->setEnabled(true);
    QTest::mouseClick(control("SaidaiButton"), Qt::LeftButton);
    EXPECT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(edit("HasseiEdit")->text(), QStringLiteral("3"));
}

TEST_F(MainWindow, HintsFollowThePointerOntoTheStatusBar)
{
    QWidget *run = control("ExeButton");
    QTest::mouseMove(run, QPoint(10, 10));
    QTRY_COMPARE(window.statusBar()->currentMessage(), QStringLiteral("乱数を生成"));
    QTest::mouseMove(edit("HasseiEdit"), QPoint(10, 10));
    QTRY_COMPARE(window.statusBar()->currentMessage(), QStringLiteral("生成する乱数の個数　(0 以上 2^32/2-2以下)"));
    QTest::mouseMove(control("InputPanel"), QPoint(100, 100));
    QTRY_COMPARE(window.statusBar()->currentMessage(), QString());
}
