#pragma once
#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

class QFileDialog;

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QPoint centreOffset; // box centre minus screen centre
    bool withinScreen;   // the whole box on the screen's available area
};

// Answers every modal box that opens while it lives: message boxes with OK
// (or Yes); a file dialog is set up by fileDialogAnswer, then accepted when
// it returns true, else rejected. Records what the message boxes showed.
class ModalBoxWatcher : public QObject
{
public:
    ModalBoxWatcher();

    std::vector<SeenBox> boxes;
    std::function<bool(QFileDialog *)> fileDialogAnswer;
    // For fileDialogAnswer: picks the file type (numbered from 1) and types the
    // name into the focused name box, as a user would, so that the dialog
    // drops its selection of the last file saved.
    static void chooseFile(QFileDialog *dialog, const QString &fileName, int type);
    int fileDialogsSeen = 0;

private:
    void answer();

    QTimer poll;
    QFileDialog *answeredDialog = nullptr;
};
