// Pasting is not filtered: whatever the clipboard holds must end in the
// conversion error or in a number, and nothing else may happen.
#include "ErrorText.h"
#include "MizelApplication.h"
#include "QtText.h"
#include "TextToInt.h"
#include "WindowTest.h"

#include <QClipboard>
#include <QGuiApplication>

#include <optional>

namespace {

struct Pasted
{
    const char *what;
    QString text;
    std::optional<int> value; // what the box then reads, or none for the error
};

const Pasted pastedTexts[] = {
    {"digits", QStringLiteral("7"), 7},
    {"leading spaces", QStringLiteral("   7"), 7},
    {"hexadecimal", QStringLiteral("$A"), 10},
    {"plus sign", QStringLiteral("+3"), 3},
    {"100000 digits", QString(100000, QLatin1Char('9')), std::nullopt},
    {"spaces past the box's length", QString(40000, QLatin1Char(' ')) + QLatin1Char('5'), std::nullopt},
    {"tab", QStringLiteral("\t7"), std::nullopt},
    {"control character", QStringLiteral("7\x01"), std::nullopt},
    {"line break", QStringLiteral("7\r\n"), std::nullopt},
    {"NUL", QString(QChar(0)) + QLatin1Char('7'), std::nullopt},
    {"DEL", QStringLiteral("7\x7f"), std::nullopt},
    {"full-width digits", QStringLiteral("１２３"), std::nullopt},
    {"ideographic space", QStringLiteral("　7"), std::nullopt},
    {"minus sign U+2212", QStringLiteral("−5"), std::nullopt},
    {"Arabic-Indic digit", QStringLiteral("٣"), std::nullopt},
    {"zero-width space", QStringLiteral("7\u200b"), std::nullopt},
    {"emoji", QStringLiteral("😀"), std::nullopt},
    {"digits and emoji", QStringLiteral("12👍🏽"), std::nullopt},
};

class PastedInput : public WindowTest
{
protected:
    // Fills the boxes with a good range, then pastes over the whole of one box.
    QLineEdit *pasteInto(const char *boxName, const QString &text, bool distinct)
    {
        edit("SaidaiEdit")->setText(QStringLiteral("10"));
        edit("SaisyouEdit")->setText(QStringLiteral("1"));
        edit("HasseiEdit")->setText(QStringLiteral("5"));
        control<QCheckBox>("OnajiChk")->setChecked(distinct);
        QGuiApplication::clipboard()->setText(text);
        auto *box = edit(boxName);
        box->setFocus();
        box->selectAll();
        box->paste();
        return box;
    }

    // Exactly one new box, the conversion error for the box's text as it stands.
    void expectConversionError(QLineEdit *box, std::size_t boxesBefore)
    {
        ASSERT_EQ(watcher.boxes.size(), boxesBefore + 1);
        EXPECT_EQ(watcher.boxes.back().text, mizel::qtText(mizel::errorDisplayText(mizel::EConvertError(box->text().toStdString()))));
        EXPECT_EQ(watcher.boxes.back().icon, QMessageBox::Critical);
    }
};

} // namespace

TEST_F(PastedInput, RunEndsInTheConversionErrorOrAList)
{
    for (const Pasted &pasted : pastedTexts) {
        for (const char *boxName : {"SaidaiEdit", "SaisyouEdit", "HasseiEdit"}) {
            SCOPED_TRACE(std::string(pasted.what) + " in " + boxName);
            QLineEdit *box = pasteInto(boxName, pasted.text, false);
            const std::size_t boxesBefore = watcher.boxes.size();
            click("ExeButton");
            if (!pasted.value) {
                expectConversionError(box, boxesBefore);
                EXPECT_TRUE(window.resultVector().empty());
                continue;
            }
            EXPECT_EQ(watcher.boxes.size(), boxesBefore);
            const bool countBox = box == edit("HasseiEdit");
            EXPECT_EQ(window.resultVector().size(), countBox ? std::size_t(*pasted.value) : 5u);
        }
    }
}

TEST_F(PastedInput, MaxCountButtonEndsInTheConversionErrorOrTheSpan)
{
    for (const Pasted &pasted : pastedTexts) {
        for (const char *boxName : {"SaidaiEdit", "SaisyouEdit"}) {
            SCOPED_TRACE(std::string(pasted.what) + " in " + boxName);
            QLineEdit *box = pasteInto(boxName, pasted.text, true);
            const std::size_t boxesBefore = watcher.boxes.size();
            click("SaidaiButton");
            const QString count = edit("HasseiEdit")->text();
            if (!pasted.value) {
                expectConversionError(box, boxesBefore);
                EXPECT_EQ(count, QStringLiteral("5"));
                continue;
            }
            EXPECT_EQ(watcher.boxes.size(), boxesBefore);
            const bool maxBox = box == edit("SaidaiEdit");
            EXPECT_EQ(count, QString::number(maxBox ? *pasted.value : 10 - *pasted.value + 1));
        }
    }
}
