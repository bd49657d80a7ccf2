#pragma once
#include "BackgroundWork.h"
#include "ValueList.h"

#include <QMainWindow>
#include <cstdint>
#include <memory>

class QInputMethodEvent;
class QKeyEvent;
class QLineEdit;
class QProgressBar;

namespace Ui {
class TMF;
}

// The main window: three number boxes, the no-duplicates check box, the
// commands and the result grid. The form's look lives in Mainunit.ui.
class TMF : public QMainWindow
{
    Q_OBJECT

public:
    explicit TMF(QWidget *parent = nullptr);
    ~TMF() override;

    const mizel::ValueList &resultVector() const { return ResultVector; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void EditClick(QLineEdit *edit);
    bool SaidaiEditKeyPress(QKeyEvent *event);
    bool filterInputMethod(QLineEdit *edit, QInputMethodEvent *event);
    void OnajiChkClick();
    void SaidaiButtonClick();
    void ExeButtonClick();
    void CopyButtonClick();
    void SaveButtonClick();
    void showWorkingMessage();
    void doInBackground(mizel::WorkKind kind, const mizel::BackgroundWork::Work &work);
    void showProgress(const mizel::BackgroundWork &work);

    std::unique_ptr<Ui::TMF> ui;
    QProgressBar *progressBar;
    QString savedFileName;
    int savedFilterIndex = 1;
    mizel::ValueList ResultVector;
    bool shownOnce = false;
    bool running = false;
};
