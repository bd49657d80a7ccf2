#include "ModalBoxWatcher.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

ModalBoxWatcher::ModalBoxWatcher()
{
    connect(&poll, &QTimer::timeout, this, &ModalBoxWatcher::answer);
    poll.start(5);
}

void ModalBoxWatcher::chooseFile(QFileDialog *dialog, const QString &fileName, int type)
{
    dialog->selectNameFilter(dialog->nameFilters().value(type - 1));
    auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QApplication::setActiveWindow(dialog);
    nameEdit->setFocus();
    nameEdit->setText(fileName);
}

void ModalBoxWatcher::answer()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        if (dialog == answeredDialog)
            return;
        answeredDialog = dialog;
        connect(dialog, &QDialog::finished, this, [this] { answeredDialog = nullptr; }, Qt::SingleShotConnection);
        ++fileDialogsSeen;
        // Queued, so that an overwrite question it raises is answered by a later poll.
        const bool accept = fileDialogAnswer && fileDialogAnswer(dialog);
        QMetaObject::invokeMethod(dialog, accept ? &QDialog::accept : &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        const QRect available = box->screen()->availableGeometry();
        boxes.push_back({box->windowTitle(), box->text(), box->icon(),
                         box->frameGeometry().center() - available.center(),
                         available.contains(box->frameGeometry())});
        QAbstractButton *ok = box->button(QMessageBox::Ok);
        (ok ? ok : box->button(QMessageBox::Yes))->click();
    }
}
