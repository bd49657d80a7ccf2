#include "Mainunit.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

} // namespace

TEST(Accessibility, ControlsAreNamedByTheirCaptionOrLabel)
{
    TMF window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const std::pair<const char *, QString> expected[] = {
        {"SaidaiEdit", QStringLiteral("乱数の最大値")},
        {"SaisyouEdit", QStringLiteral("乱数の最小値")},
        {"HasseiEdit", QStringLiteral("乱数の発生数")},
        {"OnajiChk", QStringLiteral("同じ数を発生させない")},
        {"SaidaiButton", QStringLiteral("最大発生数")},
        {"ExeButton", QStringLiteral("実行")},
        {"CopyButton", QStringLiteral("コピー")},
        {"SaveButton", QStringLiteral("保存")},
        {"MizelStringGrid1", QStringLiteral("乱数")},
    };
    for (const auto &[name, caption] : expected) {
        auto *widget = window.findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(accessibleName(widget), caption) << name;
    }

    // A control added later without a name would be silent to a screen reader.
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (widget->isVisibleTo(&window) && (widget->focusPolicy() & Qt::TabFocus)) {
            EXPECT_FALSE(accessibleName(widget).isEmpty()) << widget->objectName().toStdString();
        }
    }
}
