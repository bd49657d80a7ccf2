#include "Mainunit.h"
#include "ui_Mainunit.h"

#include "Generation.h"
#include "KeyFilter.h"
#include "ListExport.h"
#include "MersenneTwister.h"
#include "MessageBox.h"
#include "ShuffleRandom.h"
#include "TextToInt.h"

#include <QClipboard>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <ctime>
#include <new>
#include <sys/mman.h>

namespace {

// The save dialog's file types, numbered from 1 in this order. Qt reads a
// type's patterns from its last parentheses and shows only the name before them.
struct SaveFileType
{
    QString name;
    QString filter;
};
const SaveFileType saveFileTypes[] = {
    {QStringLiteral("テキストファイル(*.txt)"), QStringLiteral("テキストファイル(*.txt) (*.txt)")},
    {QStringLiteral("カンマ区切りCSVファイル(*.csv)"), QStringLiteral("カンマ区切りCSVファイル(*.csv) (*.csv)")},
    {QStringLiteral("全てのファイル"), QStringLiteral("全てのファイル (*)")},
};

int fileTypeIndexOf(const QString &selectedFilter)
{
    for (int i = 0; i < int(std::size(saveFileTypes)); ++i) {
        if (selectedFilter == saveFileTypes[i].name || selectedFilter == saveFileTypes[i].filter)
            return i + 1;
    }
    return 1;
}

std::int32_t boxValue(const QLineEdit *edit)
{
    return mizel::textToInt(edit->text().toStdString());
}

// Address space held back while the list grows: a list that fits still leaves
// room for the painting and the boxes that follow it, which cannot all fail
// cleanly when memory runs out. Only reserved, never touched.
class AddressSpaceReserve
{
public:
    static constexpr std::size_t size = std::size_t{32} << 20;

    AddressSpaceReserve()
        : block(mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))
    {
        if (block == MAP_FAILED)
            throw std::bad_alloc();
    }
    ~AddressSpaceReserve() { munmap(block, size); }
    AddressSpaceReserve(const AddressSpaceReserve &) = delete;
    AddressSpaceReserve &operator=(const AddressSpaceReserve &) = delete;

private:
    void *block;
};

// The system's millisecond tick: monotonic, wrapping at 2^32.
std::uint32_t tickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

TMF::TMF(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::TMF>())
{
    ui->setupUi(this);

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
    const std::int64_t max = boxValue(ui->SaidaiEdit);
    const std::int64_t min = boxValue(ui->SaisyouEdit);
    // A range of more values than a count can hold gets the largest count, so
    // that Run can still read the box.
    const std::int64_t span = std::clamp<std::int64_t>(max - min + 1, INT32_MIN, INT32_MAX);
    ui->HasseiEdit->setText(QString::number(span));
}

void TMF::ExeButtonClick()
{
    // A click queued while the working message is painted must not start a
    // second list inside this one.
    if (running)
        return;
    const QScopedValueRollback<bool> runningGuard(running, true);

    for (QLineEdit *edit : {ui->SaidaiEdit, ui->SaisyouEdit, ui->HasseiEdit}) {
        if (edit->text().isEmpty())
            edit->setText(QStringLiteral("0"));
    }
    ResultVector.clear();
    const std::int32_t max = boxValue(ui->SaidaiEdit);
    std::int32_t count = boxValue(ui->HasseiEdit);

    const bool distinct = ui->OnajiChk->isChecked();
    if (distinct && max < static_cast<std::int32_t>(static_cast<std::uint32_t>(count) - 1u)) {
        mizel::messageBox(QStringLiteral("乱数の発生数が乱数の最大値を超えています！！"));
        return;
    }
    const std::int32_t min = boxValue(ui->SaisyouEdit);
    if (min > max) {
        mizel::messageBox(QStringLiteral("乱数の最小値が乱数の最大値を超えています！！"));
        return;
    }
    const std::int64_t span = std::int64_t{max} - min + 1;
    if (distinct && span < count) {
        count = static_cast<std::int32_t>(span);
        ui->HasseiEdit->setText(QString::number(span));
    }

    showWorkingMessage();
    if (distinct)
        generatePermutation({min, span, count});
    else
        generateWithRepeats({min, span, count});
}

void TMF::generateWithRepeats(const RunRange &range)
{
    fillResultVector(range, mizel::appendWithRepeats);
}

void TMF::generatePermutation(const RunRange &range)
{
    fillResultVector(range, mizel::appendDistinct);
}

void TMF::fillResultVector(const RunRange &range, AppendValues append)
{
    const std::uint32_t startTick = tickCount();
    try {
        const AddressSpaceReserve reserve;
        append(ResultVector, range.count, range.min, range.span);
    } catch (...) {
        // A Run ends with its whole list or none: the grid, Copy and Save would
        // take a part for a result. The memory goes back before the error box needs some.
        std::vector<std::int32_t>().swap(ResultVector);
        throw;
    }
    ui->MizelStringGrid1->loadVector(&ResultVector);
    showFinishedMessage(startTick);
}

void TMF::showWorkingMessage()
{
    ui->StatusBar->showMessage(QStringLiteral("ただいま作成しています。しばらくお待ち下さい。"));
    // Paint it; what the user types or clicks meanwhile waits until the list is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMF::showFinishedMessage(std::uint32_t startTick)
{
    const auto elapsed = static_cast<std::int32_t>(tickCount() - startTick);
    ui->StatusBar->showMessage(QStringLiteral("生成終了　生成時間:%1ミリ秒").arg(elapsed));
}

void TMF::CopyButtonClick()
{
    auto *data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), mizel::textFormat(ResultVector));
    QGuiApplication::clipboard()->setMimeData(data);
    mizel::messageBox(QStringLiteral("クリップボードにコピーしました"));
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
    for (const SaveFileType &type : saveFileTypes)
        filters << type.filter;
    SD.setNameFilters(filters);
    SD.setDefaultSuffix(QStringLiteral("txt"));
    SD.selectNameFilter(saveFileTypes[savedFilterIndex - 1].filter);
    SD.selectFile(savedFileName);
    if (SD.exec() != QDialog::Accepted)
        return;
    savedFileName = SD.selectedFiles().value(0);
    savedFilterIndex = fileTypeIndexOf(SD.selectedNameFilter());

    if (!mizel::saveList(savedFileName, ResultVector, mizel::formatForFilterIndex(savedFilterIndex)))
        mizel::messageBox(QStringLiteral("ファイルに保存できませんでした"));
    else if (!ResultVector.empty())
        mizel::messageBox(QStringLiteral("ファイルに保存しました"));
}
