#include "Mainunit.h"
#include "ui_Mainunit.h"

#include "KeyFilter.h"
#include "ListExport.h"
#include "MersenneTwister.h"
#include "MessageBox.h"
#include "QtText.h"
#include "RunCommand.h"
#include "ShuffleRandom.h"
#include "Texts.h"
#include "WorkInputGuard.h"

#include <QClipboard>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QFile>
#include <QScreen>
#include <QTimer>
#include <ctime>
#include <utility>

namespace {

// Qt reads a save file type's patterns from its last parentheses and shows
// only the name before them.
QString nameFilter(const mizel::texts::SaveFileType &type)
{
    return mizel::qtText(type.name) + QStringLiteral(" (") + mizel::qtText(type.patterns) + u')';
}

// The save dialog's file type, numbered from 1, of a filter it reports.
int fileTypeIndexOf(const QString &selectedFilter)
{
    for (int i = 0; i < int(std::size(mizel::texts::saveFileTypes)); ++i) {
        const mizel::texts::SaveFileType &type = mizel::texts::saveFileTypes[i];
        if (selectedFilter == mizel::qtText(type.name) || selectedFilter == nameFilter(type))
            return i + 1;
    }
    return 1;
}

std::string boxText(const QLineEdit *edit)
{
    return edit->text().toStdString();
}

void showMessage(std::string_view text)
{
    mizel::messageBox(mizel::qtText(text));
}

} // namespace

TMF::TMF(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::TMF>())
{
    ui->setupUi(this);
    // Shown beside the progress message while long work runs.
    progressBar = new QProgressBar;
    progressBar->setTextVisible(false);
    progressBar->setMaximumSize(48, 12);
    progressBar->hide();
    ui->StatusBar->addPermanentWidget(progressBar);

    for (QLineEdit *edit : {ui->SaidaiEdit, ui->SaisyouEdit, ui->HasseiEdit})
        edit->installEventFilter(this);
    // Numbers only: no input method composes into the maximum and count boxes.
    ui->SaidaiEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
    ui->HasseiEdit->setAttribute(Qt::WA_InputMethodEnabled, false);

    connect(ui->OnajiChk, &QCheckBox::toggled, this, &TMF::OnajiChkClick);
    connect(ui->SaidaiButton, &QPushButton::clicked, this, &TMF::SaidaiButtonClick);
    connect(ui->ExeButton, &QPushButton::clicked, this, &TMF::ExeButtonClick);
    connect(ui->CopyButton, &QPushButton::clicked, this, &TMF::CopyButtonClick);
    connect(ui->SaveButton, &QPushButton::clicked, this, &TMF::SaveButtonClick);

    mizel::mtSeed(static_cast<std::uint32_t>(std::time(nullptr)));
    mizel::shuffleSeed(static_cast<std::uint32_t>(std::time(nullptr)));
}

TMF::~TMF() = default;

void TMF::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TMF::FormShow()
{
    if (!shownOnce) {
        shownOnce = true;
        const QRect frame = frameGeometry();
        move(screen()->availableGeometry().center() - (frame.center() - frame.topLeft()));
        ui->SaidaiEdit->setFocus(Qt::ActiveWindowFocusReason);
    }
    ui->SaidaiEdit->selectAll();
}

bool TMF::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!edit)
        return QMainWindow::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::KeyPress:
        return SaidaiEditKeyPress(static_cast<QKeyEvent *>(event));
    case QEvent::InputMethod:
        return filterInputMethod(edit, static_cast<QInputMethodEvent *>(event));
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            EditClick(edit);
        break;
    case QEvent::FocusIn:
        if (static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason)
            edit->selectAll();
        break;
    default:
        break;
    }
    return false;
}

void TMF::EditClick(QLineEdit *edit)
{
    // After the box has handled the release, which may move the cursor.
    QTimer::singleShot(0, edit, &QLineEdit::selectAll);
}

// Returns true when the typed character is discarded. Editing shortcuts
// (Ctrl+C, Ctrl+V ...) and keys that type nothing are commands, not characters.
bool TMF::SaidaiEditKeyPress(QKeyEvent *event)
{
    const QString typed = event->text();
    if (typed.isEmpty() || event->key() == Qt::Key_Delete
        || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    for (char32_t c : typed.toUcs4()) {
        if (!mizel::keyFilterPasses(c))
            return true;
    }
    return false;
}

// Text committed by an input method counts as typed: each character is filtered.
bool TMF::filterInputMethod(QLineEdit *edit, QInputMethodEvent *event)
{
    QString kept;
    for (char32_t c : event->commitString().toUcs4()) {
        if (mizel::keyFilterPasses(c))
            kept += QString::fromUcs4(&c, 1);
    }
    if (kept == event->commitString())
        return false;
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QCoreApplication::sendEvent(edit, &filtered);
    return true;
}

void TMF::OnajiChkClick()
{
    ui->SaidaiButton->setEnabled(ui->OnajiChk->isChecked());
}

void TMF::SaidaiButtonClick()
{
    if (!ui->OnajiChk->isChecked())
        return;
    ui->HasseiEdit->setText(mizel::qtText(mizel::maxCountText(boxText(ui->SaidaiEdit), boxText(ui->SaisyouEdit))));
}

void TMF::ExeButtonClick()
{
    // A click queued while the working message is painted must not start a
    // second list inside this one.
    if (running)
        return;
    const QScopedValueRollback<bool> runningGuard(running, true);

    mizel::RunBoxes boxes{boxText(ui->SaidaiEdit), boxText(ui->SaisyouEdit), boxText(ui->HasseiEdit),
                          ui->OnajiChk->isChecked()};
    mizel::fillEmptyBoxes(boxes);
    const std::pair<QLineEdit *, const std::string *> filled[] = {
        {ui->SaidaiEdit, &boxes.max}, {ui->SaisyouEdit, &boxes.min}, {ui->HasseiEdit, &boxes.count}};
    for (const auto &[edit, text] : filled) {
        if (edit->text().isEmpty())
            edit->setText(mizel::qtText(*text));
    }
    ResultVector.clear();

    const mizel::RunCheck check = mizel::checkRun(boxes);
    switch (check.outcome) {
    case mizel::RunCheck::Outcome::TooMany:
        showMessage(mizel::texts::tooMany);
        return;
    case mizel::RunCheck::Outcome::MinAboveMax:
        showMessage(mizel::texts::minAboveMax);
        return;
    case mizel::RunCheck::Outcome::Generate:
        break;
    }
    if (check.countText)
        ui->HasseiEdit->setText(mizel::qtText(*check.countText));

    // The grid lets go of the list while another thread fills it.
    ui->MizelStringGrid1->releaseVector();
    showWorkingMessage();
    const std::uint32_t startTick = mizel::tickCount();
    try {
        doInBackground(mizel::WorkKind::Run, [&](mizel::WorkProgress &progress) {
            mizel::fillList(ResultVector, check.range, boxes.distinct, progress);
        });
    } catch (const mizel::WorkStopped &) {
        ui->MizelStringGrid1->loadVector(&ResultVector);
        ui->StatusBar->showMessage(mizel::qtText(mizel::texts::runStopped));
        return;
    }
    ui->MizelStringGrid1->loadVector(&ResultVector);
    ui->StatusBar->showMessage(mizel::qtText(mizel::finishedMessage(mizel::tickCount() - startTick)));
}

void TMF::showWorkingMessage()
{
    ui->StatusBar->showMessage(mizel::qtText(mizel::texts::working));
    // Paint it; what the user types or clicks meanwhile waits until the list is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Does a command's bulk work on another thread while this one paints the window
// and shows the progress; rethrows what the work threw, WorkStopped when Escape
// or closing the window stopped it. Input meant for the window meanwhile is
// applied after the work, a close included.
void TMF::doInBackground(mizel::WorkKind kind, const mizel::BackgroundWork::Work &work)
{
    const QString earlierMessage = ui->StatusBar->currentMessage();
    QEventLoop loop;
    mizel::BackgroundWork background(kind, work, [&loop] {
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    bool closeRequested = false;
    {
        const WorkInputGuard guard(this, [&background] { background.requestStop(); });
        QTimer refresh;
        connect(&refresh, &QTimer::timeout, this, [&] { showProgress(background); });
        refresh.start(int(mizel::BackgroundWork::refreshTicks));
        if (!background.ended())
            loop.exec();
        closeRequested = guard.closeRequested();
    }
    if (progressBar->isVisible()) {
        progressBar->hide();
        ui->StatusBar->showMessage(earlierMessage);
    }
    if (closeRequested)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    background.finish();
}

void TMF::showProgress(const mizel::BackgroundWork &work)
{
    const std::optional<std::string> message = work.progressMessage(mizel::tickCount());
    if (!message)
        return;
    ui->StatusBar->showMessage(mizel::qtText(*message));
    progressBar->setValue(work.percent());
    progressBar->show();
}

void TMF::CopyButtonClick()
{
    QByteArray bytes;
    try {
        doInBackground(mizel::WorkKind::Copy, [&](mizel::WorkProgress &progress) {
            const mizel::ListText text(ResultVector, progress);
            bytes.resize(static_cast<qsizetype>(text.length()));
            text.write(bytes.data());
        });
    } catch (const mizel::WorkStopped &) {
        ui->StatusBar->showMessage(mizel::qtText(mizel::texts::copyStopped));
        return;
    }
    auto *data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    showMessage(mizel::texts::copied);
}

void TMF::SaveButtonClick()
{
    // A dialog of its own for every Save: Qt's keeps a name typed before a
    // cancel, and the next Save must offer only the last accepted one. Qt's own
    // dialog behaves the same on every desktop.
    QFileDialog SD(this);
    SD.setAcceptMode(QFileDialog::AcceptSave);
    SD.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    QStringList filters;
    for (const mizel::texts::SaveFileType &type : mizel::texts::saveFileTypes)
        filters << nameFilter(type);
    SD.setNameFilters(filters);
    SD.setDefaultSuffix(mizel::qtText(mizel::texts::defaultSuffix));
    SD.selectNameFilter(filters[savedFilterIndex - 1]);
    SD.selectFile(savedFileName);
    if (SD.exec() != QDialog::Accepted)
        return;
    savedFileName = SD.selectedFiles().value(0);
    savedFilterIndex = fileTypeIndexOf(SD.selectedNameFilter());

    // The name's bytes as the system takes them.
    const std::filesystem::path path(QFile::encodeName(savedFileName).toStdString());
    bool saved = false;
    try {
        doInBackground(mizel::WorkKind::Save, [&](mizel::WorkProgress &progress) {
            saved = mizel::saveList(path, ResultVector, mizel::formatForFilterIndex(savedFilterIndex), progress);
        });
    } catch (const mizel::WorkStopped &) {
        ui->StatusBar->showMessage(mizel::qtText(mizel::texts::saveStopped));
        return;
    }
    if (!saved)
        showMessage(mizel::texts::notSaved);
    else if (!ResultVector.empty())
        showMessage(mizel::texts::saved);
}
