#include "WindowTest.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <functional>

namespace {

class LongWork : public WindowTest
{
protected:
    const mizel::ValueList &list() { return window.resultVector(); }
    QString status() { return window.statusBar()->currentMessage(); }
    QProgressBar *progressBar() { return window.findChild<QProgressBar *>(); }

    // Calls act once, as soon as the status bar shows the progress of the work under way.
    void whenProgressShows(std::function<void()> act)
    {
        auto *poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, act] {
            if (!progressBar()->isVisible())
                return;
            shownProgress = status();
            poll->deleteLater();
            poll->stop();
            act();
        });
        poll->start(20);
    }

    void pressEscape() { QTest::keyClick(window.windowHandle(), Qt::Key_Escape); }

    QString shownProgress;
};

} // namespace

TEST_F(LongWork, EscapeStopsARunAndWhatWasTypedMeanwhileFollowsIt)
{
    whenProgressShows([this] {
        QTest::keyClick(edit("HasseiEdit"), Qt::Key_5);
        pressEscape();
    });
    run("399999999", "0", "400000000", true);

    EXPECT_TRUE(shownProgress.startsWith(QStringLiteral("作成中　"))) << shownProgress.toStdString();
    EXPECT_TRUE(shownProgress.endsWith(QStringLiteral("%　Escで中止"))
                || shownProgress.contains(QStringLiteral("　残り約")))
        << shownProgress.toStdString();
    EXPECT_TRUE(list().empty());
    EXPECT_EQ(list().capacity(), 0u);
    EXPECT_EQ(status(), QStringLiteral("作成を中止しました"));
    EXPECT_FALSE(progressBar()->isVisible());
    EXPECT_TRUE(watcher.boxes.empty());
    // The key typed during the work reaches the box only now.
    EXPECT_EQ(edit("HasseiEdit")->text(), QStringLiteral("400000000"));
    QCoreApplication::processEvents();
    EXPECT_EQ(edit("HasseiEdit")->text(), QStringLiteral("4000000005"));

    run("6", "1", "4", false);
    EXPECT_EQ(list().size(), 4u);
}

TEST_F(LongWork, StoppedCopyAndSaveLeaveClipboardAndFileAsTheyWere)
{
    run("1000", "1", "200000000", false);
    ASSERT_EQ(list().size(), 200'000'000u);
    const QString finished = status();

    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    whenProgressShows([this] { pressEscape(); });
    click("CopyButton");
    EXPECT_TRUE(shownProgress.startsWith(QStringLiteral("コピー中　"))) << shownProgress.toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("earlier"));
    EXPECT_EQ(status(), QStringLiteral("コピーを中止しました"));

    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("list.txt"));
    QFile earlier(target);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\r\n") == 9);
    earlier.close();
    watcher.fileDialogAnswer = [&](QFileDialog *dialog) {
        ModalBoxWatcher::chooseFile(dialog, target, 1);
        return true;
    };
    whenProgressShows([this] { pressEscape(); });
    click("SaveButton");
    EXPECT_TRUE(shownProgress.startsWith(QStringLiteral("保存中　"))) << shownProgress.toStdString();
    EXPECT_EQ(status(), QStringLiteral("保存を中止しました"));
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), QByteArray("earlier\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("list.txt")});
    for (const SeenBox &box : watcher.boxes)
        EXPECT_FALSE(box.text.startsWith(QStringLiteral("ファイルに保存"))) << box.text.toStdString();
    EXPECT_EQ(list().size(), 200'000'000u);
    EXPECT_NE(finished, status());
}

TEST_F(LongWork, ClosingTheWindowStopsTheWorkThenCloses)
{
    whenProgressShows([this] { window.close(); });
    run("399999999", "0", "400000000", true);
    EXPECT_TRUE(list().empty());
    EXPECT_TRUE(window.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
}
