#include "WindowTest.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class CopySave : public WindowTest
{
protected:
    // Runs the distinct mode over all of min..max (min >= 0, or the count
    // would exceed the maximum), so the list's contents are known.
    void generate(int min, int max)
    {
        run(QByteArray::number(max).constData(), QByteArray::number(min).constData(),
            QByteArray::number(max - min + 1).constData(), true);
    }

    QByteArray expectedText() const
    {
        QByteArray text;
        for (std::int32_t value : window.resultVector())
            text += QByteArray::number(value) + "\r\n";
        return text;
    }

    // Saves through the dialog: picks fileName and type; returns what the dialog offered.
    struct Offered { QString fileName; QString type; };
    Offered save(const QString &fileName, int type, bool accept = true)
    {
        Offered offered;
        watcher.fileDialogAnswer = [&](QFileDialog *dialog) {
            offered.fileName = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            offered.type = dialog->selectedNameFilter();
            ModalBoxWatcher::chooseFile(dialog, fileName, type);
            return accept;
        };
        click("SaveButton");
        return offered;
    }

    QByteArray fileBytes(const char *name) const
    {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
};

} // namespace

TEST_F(CopySave, CopyPutsTheTextFormatOnTheClipboard)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    click("CopyButton");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());

    generate(5, 30);
    click("CopyButton");
    EXPECT_EQ(QGuiApplication::clipboard()->text().toLatin1(), expectedText());
    ASSERT_EQ(watcher.boxes.size(), 2u);
    for (const SeenBox &box : watcher.boxes) {
        EXPECT_EQ(box.text, QStringLiteral("クリップボードにコピーしました"));
        EXPECT_EQ(box.title, QStringLiteral("Mizel４"));
    }
}

TEST_F(CopySave, FileTypeNotNameChoosesTheFormat)
{
    generate(1, 3);
    save(path("text.csv"), 1);
    save(path("csv.txt"), 2);
    save(path("all.dat"), 3);
    EXPECT_EQ(fileBytes("text.csv"), expectedText());
    EXPECT_EQ(fileBytes("csv.txt"), expectedText().replace("\r\n", ",").chopped(1));
    EXPECT_EQ(fileBytes("all.dat"), expectedText());
    ASSERT_EQ(watcher.boxes.size(), 3u);
    EXPECT_EQ(watcher.boxes[2].text, QStringLiteral("ファイルに保存しました"));
}

TEST_F(CopySave, EmptyListSavesAnEmptyFileSilently)
{
    QFile old(path("old.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous contents");
    old.close();
    save(path("old.txt"), 1); // the overwrite question is answered yes
    EXPECT_EQ(fileBytes("old.txt"), QByteArray());
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_NE(watcher.boxes[0].text.indexOf(QStringLiteral("old.txt")), -1); // the question, no message after it
}

TEST_F(CopySave, DialogRemembersTheLastAcceptedNameAndType)
{
    generate(1, 3);
    save(path("typed.csv"), 2, false);
    const Offered first = save(path("first.csv"), 2);
    EXPECT_EQ(first.fileName, QString()) << "a cancelled first dialog leaves the name empty";
    EXPECT_EQ(first.type, QStringLiteral("テキストファイル(*.txt)"));

    const Offered second = save(path("cancelled.txt"), 3, false);
    EXPECT_EQ(second.fileName, QStringLiteral("first.csv"));
    EXPECT_EQ(second.type, QStringLiteral("カンマ区切りCSVファイル(*.csv)"));
    EXPECT_FALSE(QFile::exists(path("cancelled.txt")));

    const Offered third = save(path("third.txt"), 1);
    EXPECT_EQ(third.fileName, QStringLiteral("first.csv"));
    EXPECT_EQ(third.type, second.type);
    EXPECT_EQ(watcher.fileDialogsSeen, 4);
}

TEST_F(CopySave, FailedSaveSaysSoAndKeepsTheFile)
{
    generate(1, 3);
    QFile locked(path("locked.txt"));
    ASSERT_TRUE(locked.open(QIODevice::WriteOnly));
    locked.write("keep");
    locked.close();
    locked.setPermissions(QFile::ReadOwner);
    save(path("locked.txt"), 1);
    EXPECT_EQ(fileBytes("locked.txt"), "keep");
    ASSERT_FALSE(watcher.boxes.empty());
    EXPECT_EQ(watcher.boxes.back().text, QStringLiteral("ファイルに保存できませんでした"));
}
