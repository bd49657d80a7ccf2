#include "Mizelstringgrid.h"

#include "Cp932.h"
#include "MizelstringgridAccessible.h"
#include "QtText.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

constexpr int RowPitch = mizel::GridRows::pitch;

QString fromCp932(std::string_view text)
{
    return mizel::qtText(mizel::fromCp932(text));
}

// Grid lines take their colour on the way from the base to the text colour:
// all the way around fixed cells, and a quarter (63 of 255) elsewhere, which
// gives the classic black and silver on white under black text and lines
// that neither vanish nor glare on a dark palette.
constexpr int FixedLineInk = 255;
constexpr int LineInk = 63;

QColor lineColor(const QPalette &palette, int ink)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const auto mix = [ink](int from, int to) { return from + (to - from) * ink / 255; };
    return QColor(mix(base.red(), text.red()), mix(base.green(), text.green()), mix(base.blue(), text.blue()));
}

// One cell with the grid lines to its right and below it, in device pixels.
// Lines are a whole number of device pixels (one at fractional scale
// factors), and the cell's inside reaches them, so nothing alternates in
// thickness or leaves a seam from row to row.
struct DeviceCell
{
    DeviceCell(int y, qreal scale)
    {
        const int top = qRound(y * scale);
        const int right = qRound((TMizelStringGrid::ColWidth + TMizelStringGrid::GridLineWidth) * scale);
        const int bottom = qRound((y + RowPitch) * scale);
        line = std::max(1, int(TMizelStringGrid::GridLineWidth * scale));
        inside = QRect(0, top, right - line, bottom - line - top);
    }

    QRect rightLine() const { return QRect(inside.right() + 1, inside.top(), line, inside.height() + line); }
    QRect bottomLine() const { return QRect(inside.left(), inside.bottom() + 1, inside.width(), line); }

    QRect inside;
    int line;
};

// Paints in device pixels while it lives.
class DevicePixels
{
public:
    explicit DevicePixels(QPainter &painter, qreal scale)
        : painter(painter)
    {
        painter.save();
        painter.setWorldTransform(QTransform::fromScale(1 / scale, 1 / scale));
    }
    ~DevicePixels() { painter.restore(); }
    DevicePixels(const DevicePixels &) = delete;
    DevicePixels &operator=(const DevicePixels &) = delete;

private:
    QPainter &painter;
};

} // namespace

TMizelStringGrid::TMizelStringGrid(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    // Screen readers see the grid as a table without the program's help.
    static const bool accessible = (QAccessible::installFactory(&TMizelStringGridAccessible::factory), true);
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The scroll bar counts rows, never pixels, so any row count fits its int range.
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setTracking(true);
    // paintEvent covers every pixel of the viewport.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    updateScrollRange();
}

void TMizelStringGrid::loadVector(const mizel::ValueList *list)
{
    FVector = list;
    setRowCount(mizel::gridRowCount(list->size()));
    QAccessibleTableModelChangeEvent reset(this, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);
    viewport()->repaint();
}

void TMizelStringGrid::releaseVector()
{
    FVector = nullptr;
    viewport()->update();
}

int TMizelStringGrid::rowCount() const
{
    return RowCount;
}

int TMizelStringGrid::fixedRows() const
{
    return FixedRows;
}

int TMizelStringGrid::topRow() const
{
    return FixedRows + verticalScrollBar()->value();
}

int TMizelStringGrid::currentRow() const
{
    return FCurrent;
}

int TMizelStringGrid::selectionAnchorRow() const
{
    return FAnchor;
}

bool TMizelStringGrid::isRowSelected(int row) const
{
    return row >= FixedRows && row >= std::min(FAnchor, FCurrent) && row <= std::max(FAnchor, FCurrent);
}

int TMizelStringGrid::lastPaintFormatCount() const
{
    return FFormatCount;
}

mizel::GridRows TMizelStringGrid::rows() const
{
    return {RowCount, FixedRows, topRow(), viewport()->height()};
}

int TMizelStringGrid::rowsInView() const
{
    return int(rows().inView());
}

int TMizelStringGrid::rowInView(int index) const
{
    return int(rows().rowInView(index));
}

int TMizelStringGrid::indexInView(int row) const
{
    return int(rows().indexInView(row));
}

void TMizelStringGrid::setRowCount(int value)
{
    value = std::max(value, 1);
    if (value == RowCount)
        return;
    // A grid keeps at least one row that is not fixed.
    if (value <= FixedRows)
        setFixedRows(value - 1);
    RowCount = value;
    if (FCurrent >= RowCount)
        FCurrent = FAnchor = RowCount - 1;
    FAnchor = std::min(FAnchor, RowCount - 1);
    updateScrollRange();
    // Show or hide the scroll bar now rather than from the event loop, so the
    // repaint that follows sees the final viewport.
    QEvent layoutRequest(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(this, &layoutRequest);
    viewport()->update();
}

void TMizelStringGrid::setFixedRows(int value)
{
    // As a string grid does, a new fixed row count starts the view, the focus
    // and the selection afresh at the first row below the fixed ones.
    FixedRows = value;
    FCurrent = FAnchor = FixedRows;
    verticalScrollBar()->setValue(0);
}

void TMizelStringGrid::updateScrollRange()
{
    const mizel::GridRows rows = this->rows();
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, int(rows.maxTop() - FixedRows));
    bar->setPageStep(int(rows.fullVisible()));
}

void TMizelStringGrid::setTopRow(qint64 row)
{
    verticalScrollBar()->setValue(int(rows().clampTop(row) - FixedRows));
}

void TMizelStringGrid::scrollIntoView(qint64 row)
{
    const mizel::GridRows rows = this->rows();
    const qint64 top = rows.topShowing(row);
    if (top != rows.top)
        setTopRow(top);
}

void TMizelStringGrid::focusCell(qint64 row, bool moveAnchor)
{
    FCurrent = int(row);
    if (moveAnchor)
        FAnchor = FCurrent;
    scrollIntoView(row);
    viewport()->update();
    announceCurrentCell();
}

// Tells screen readers which cell has the focus now, so they read it out.
void TMizelStringGrid::announceCurrentCell()
{
    if (!hasFocus())
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(indexInView(FCurrent));
    QAccessible::updateAccessibility(&event);
}

qint64 TMizelStringGrid::rowAt(int y) const
{
    return rows().rowAt(y);
}

void TMizelStringGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    Canvas = &painter;
    FFormatCount = 0;
    // The area beyond the column and below the last row shows the grid's colour.
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    const int shown = rowsInView();
    for (int index = 0; index < shown; ++index)
        paintCell(rowInView(index), index * RowPitch);
    Canvas = nullptr;
}

void TMizelStringGrid::paintCell(qint64 row, int y)
{
    const QPalette &pal = palette();
    const bool fixed = row < FixedRows;
    TGridDrawState state;
    if (fixed)
        state |= gdFixed;
    else if (isRowSelected(int(row)))
        state |= gdSelected;
    if (row == FCurrent && hasFocus())
        state |= gdFocused;

    const bool highlighted = (state & gdSelected) && !(state & gdFocused);
    const QColor textColor = pal.color(highlighted ? QPalette::HighlightedText : QPalette::Text);
    // The painter's own scale, which a grab or render may set apart from the screen's.
    const qreal scale = Canvas->deviceTransform().m22();
    const DeviceCell cell(y, scale);
    {
        // Grid lines lie outside the cell: to its right and below it.
        const DevicePixels device(*Canvas, scale);
        const QColor line = lineColor(pal, fixed ? FixedLineInk : LineInk);
        Canvas->fillRect(cell.rightLine(), line);
        Canvas->fillRect(cell.bottomLine(), line);
        Canvas->fillRect(cell.inside,
                         pal.color(highlighted ? QPalette::Highlight : fixed ? QPalette::Button : QPalette::Base));
    }
    Canvas->setFont(font());
    Canvas->setPen(textColor);
    DrawCell(0, int(row), QRect(0, y, ColWidth, DefaultRowHeight), state);

    const DevicePixels device(*Canvas, scale);
    const QRect &rect = cell.inside;
    const int edge = cell.line;
    if (fixed) {
        // Raised edge: light top and left, dark bottom and right.
        const QColor dark = pal.color(QPalette::Dark);
        const QColor light = pal.color(QPalette::Light);
        Canvas->fillRect(rect.right() - edge + 1, rect.top(), edge, rect.height(), dark);
        Canvas->fillRect(rect.left(), rect.bottom() - edge + 1, rect.width(), edge, dark);
        Canvas->fillRect(rect.left(), rect.top(), rect.width() - edge, edge, light);
        Canvas->fillRect(rect.left(), rect.top(), edge, rect.height() - edge, light);
    }
    if (state & gdFocused) {
        QPen dotted(textColor, 0);
        dotted.setDashPattern({1, 1});
        Canvas->setPen(dotted);
        Canvas->setBrush(Qt::NoBrush);
        Canvas->drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

void TMizelStringGrid::DrawCell(int ACol, int ARow, const QRect &Rect, TGridDrawState)
{
    if (ACol == 0 && ARow == 0) {
        GridTextOut(Rect, mizel::gridHeaderText());
        return;
    }
    const std::string text = mizel::gridNumberText(FVector, ARow);
    if (text.empty())
        return;
    ++FFormatCount;
    GridTextOut(Rect, text);
}

QString TMizelStringGrid::cellText(int row) const
{
    return fromCp932(mizel::gridCellText(FVector, row));
}

void TMizelStringGrid::GridTextOut(QRect Rect, std::string_view Text)
{
    const QFontMetrics metrics = Canvas->fontMetrics();
    const QString text = fromCp932(Text);
    const int E = metrics.horizontalAdvance(text);
    const int H = metrics.height();
    Rect.setLeft(Rect.left() + 2);
    Rect.setBottom(Rect.bottom() - 2);
    const int W = Rect.width();
    const mizel::GridTextSplit split = mizel::splitGridText(Text, E, W);
    if (split.fits) {
        // One line box (ascent + descent) standing on the shrunk bottom edge,
        // clipped to the shrunk rectangle.
        Canvas->save();
        Canvas->setClipRect(Rect, Qt::IntersectClip);
        Canvas->drawText(Rect.left(), Rect.top() + Rect.height() - metrics.descent(), text);
        Canvas->restore();
        return;
    }
    // Two lines from the cell's top, unclipped: line 2 may run into the next row.
    const int x = Rect.left() + GridLineWidth;
    const int baseline = Rect.top() + GridLineWidth + metrics.ascent();
    Canvas->drawText(x, baseline, fromCp932(Text.substr(0, split.firstLength)));
    Canvas->drawText(x, baseline + H, fromCp932(Text.substr(split.firstLength)));
}

void TMizelStringGrid::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void TMizelStringGrid::keyPressEvent(QKeyEvent *event)
{
    mizel::GridKey key;
    switch (event->key()) {
    case Qt::Key_Up:
        key = mizel::GridKey::Up;
        break;
    case Qt::Key_Down:
        key = mizel::GridKey::Down;
        break;
    case Qt::Key_PageUp:
        key = mizel::GridKey::PageUp;
        break;
    case Qt::Key_PageDown:
        key = mizel::GridKey::PageDown;
        break;
    case Qt::Key_Home:
        key = mizel::GridKey::Home;
        break;
    case Qt::Key_End:
        key = mizel::GridKey::End;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const mizel::GridRows rows = this->rows();
    const mizel::GridMove move = rows.moveByKey(key, event->modifiers() & Qt::ControlModifier, FCurrent);
    if (move.top != rows.top)
        setTopRow(move.top);
    if (move.current != FCurrent)
        focusCell(move.current, !(event->modifiers() & Qt::ShiftModifier));
}

void TMizelStringGrid::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    const qint64 row = rowAt(pos.y());
    // Fixed rows and the space beside the column take no clicks.
    if (pos.x() >= ColWidth + GridLineWidth || row < FixedRows)
        return;
    FSelecting = true;
    if (event->modifiers() & Qt::ShiftModifier) {
        FAnchor = int(row);
        scrollIntoView(row);
        viewport()->update();
    } else {
        focusCell(row, true);
    }
}

void TMizelStringGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (!FSelecting)
        return;
    // Dragging past the top or bottom of the view extends the selection one
    // row a move, scrolling it in.
    const qint64 anchor = rows().dragRow(event->position().toPoint().y());
    if (anchor == FAnchor)
        return;
    FAnchor = int(anchor);
    scrollIntoView(anchor);
    viewport()->update();
}

void TMizelStringGrid::mouseReleaseEvent(QMouseEvent *)
{
    FSelecting = false;
}

void TMizelStringGrid::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    // Qt announces the grid itself once this returns; the cell comes after it.
    QMetaObject::invokeMethod(this, &TMizelStringGrid::announceCurrentCell, Qt::QueuedConnection);
}

void TMizelStringGrid::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
