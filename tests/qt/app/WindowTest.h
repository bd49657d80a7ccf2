#pragma once
#include "Mainunit.h"
#include "ModalBoxWatcher.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

// A shown main window, its controls by name, and a watcher that answers
// (and records) every modal box the window opens.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    template<typename T = QWidget>
    T *control(const char *name)
    {
        auto *found = window.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QLineEdit *edit(const char *name) { return control<QLineEdit>(name); }

    void click(const char *name) { QTest::mouseClick(control(name), Qt::LeftButton); }

    // Fills the three boxes and the check box, then presses Run.
    void run(const char *max, const char *min, const char *count, bool distinct)
    {
        edit("SaidaiEdit")->setText(QString::fromUtf8(max));
        edit("SaisyouEdit")->setText(QString::fromUtf8(min));
        edit("HasseiEdit")->setText(QString::fromUtf8(count));
        control<QCheckBox>("OnajiChk")->setChecked(distinct);
        click("ExeButton");
    }

    ModalBoxWatcher watcher;
    TMF window;
};
