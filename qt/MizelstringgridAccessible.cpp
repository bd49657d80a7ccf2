#include "MizelstringgridAccessible.h"

#include "Mizelstringgrid.h"

#include <QPointer>
#include <cstdlib>

namespace {

constexpr int RowPitch = mizel::GridRows::pitch;

// One cell, made when a client asks for its row; it reads the grid each time,
// so it stays right as the list and the view change.
class TGridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    TGridCellAccessible(TMizelStringGrid *grid, int row)
        : FGrid(grid), FRow(row)
    {
    }

    bool isValid() const override { return FGrid && FRow < FGrid->rowCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return FGrid->window()->windowHandle(); }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(FGrid); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? FGrid->cellText(FRow) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        const int index = FGrid->indexInView(FRow);
        if (index < 0)
            return {};
        const QPoint topLeft = FGrid->viewport()->mapToGlobal(QPoint(0, index * RowPitch));
        return QRect(topLeft, QSize(TMizelStringGrid::ColWidth, TMizelStringGrid::DefaultRowHeight));
    }

    QAccessible::Role role() const override
    {
        return isHeader() ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        state.selectable = state.focusable = !isHeader();
        state.selected = isSelected();
        state.focused = FRow == FGrid->currentRow() && FGrid->hasFocus();
        state.invisible = FGrid->indexInView(FRow) < 0;
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface *>(this) : nullptr;
    }

    bool isSelected() const override { return FGrid->isRowSelected(FRow); }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        if (isHeader() || FGrid->fixedRows() == 0)
            return {};
        return {table()->tableInterface()->cellAt(0, 0)};
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return FRow; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    bool isHeader() const { return FRow < FGrid->fixedRows(); }

    QPointer<TMizelStringGrid> FGrid;
    int FRow;
};

} // namespace

TMizelStringGridAccessible::TMizelStringGridAccessible(TMizelStringGrid *grid)
    : QAccessibleWidget(grid, QAccessible::Table)
{
}

TMizelStringGridAccessible::~TMizelStringGridAccessible()
{
    dropCells(false);
}

QAccessibleInterface *TMizelStringGridAccessible::factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TMizelStringGrid") && object && object->isWidgetType())
        return new TMizelStringGridAccessible(static_cast<TMizelStringGrid *>(object));
    return nullptr;
}

TMizelStringGrid *TMizelStringGridAccessible::grid() const
{
    return static_cast<TMizelStringGrid *>(widget());
}

int TMizelStringGridAccessible::childCount() const
{
    return grid()->rowsInView();
}

QAccessibleInterface *TMizelStringGridAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    return cellAt(grid()->rowInView(index), 0);
}

int TMizelStringGridAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const auto *cell = dynamic_cast<const TGridCellAccessible *>(child);
    if (!cell || cell->table() != static_cast<const QAccessibleInterface *>(this))
        return -1;
    return grid()->indexInView(cell->rowIndex());
}

QAccessibleInterface *TMizelStringGridAccessible::childAt(int x, int y) const
{
    const QPoint local = grid()->viewport()->mapFromGlobal(QPoint(x, y));
    if (local.x() < 0 || local.x() >= TMizelStringGrid::ColWidth + TMizelStringGrid::GridLineWidth || local.y() < 0)
        return nullptr;
    return child(local.y() / RowPitch);
}

QAccessibleInterface *TMizelStringGridAccessible::focusChild() const
{
    return grid()->hasFocus() ? cellAt(grid()->currentRow(), 0) : nullptr;
}

void *TMizelStringGridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface *TMizelStringGridAccessible::caption() const
{
    return nullptr;
}

QAccessibleInterface *TMizelStringGridAccessible::summary() const
{
    return nullptr;
}

QAccessibleInterface *TMizelStringGridAccessible::cellAt(int row, int column) const
{
    if (column != 0 || row < 0 || row >= grid()->rowCount())
        return nullptr;
    if (const auto found = FCells.constFind(row); found != FCells.cend())
        return QAccessible::accessibleInterface(*found);
    if (FCells.size() >= MaxCells)
        dropCells(true);
    auto *cell = new TGridCellAccessible(grid(), row);
    FCells.insert(row, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

void TMizelStringGridAccessible::dropCells(bool keepInView) const
{
    for (auto it = FCells.begin(); it != FCells.end();) {
        if (keepInView && (grid()->indexInView(it.key()) >= 0 || it.key() == grid()->currentRow())) {
            ++it;
        } else {
            QAccessible::deleteAccessibleInterface(it.value());
            it = FCells.erase(it);
        }
    }
}

int TMizelStringGridAccessible::selectedCellCount() const
{
    return selectedRowCount();
}

QList<QAccessibleInterface *> TMizelStringGridAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    for (int row : selectedRows())
        cells.append(cellAt(row, 0));
    return cells;
}

QString TMizelStringGridAccessible::columnDescription(int column) const
{
    return column == 0 ? grid()->cellText(0) : QString();
}

QString TMizelStringGridAccessible::rowDescription(int) const
{
    return {};
}

int TMizelStringGridAccessible::selectedColumnCount() const
{
    return 0;
}

int TMizelStringGridAccessible::selectedRowCount() const
{
    return std::abs(grid()->selectionAnchorRow() - grid()->currentRow()) + 1;
}

int TMizelStringGridAccessible::columnCount() const
{
    return 1;
}

int TMizelStringGridAccessible::rowCount() const
{
    return grid()->rowCount();
}

QList<int> TMizelStringGridAccessible::selectedColumns() const
{
    return {};
}

// A range may hold two billion rows: the list names those in view, while the
// counts cover them all.
QList<int> TMizelStringGridAccessible::selectedRows() const
{
    QList<int> rows;
    for (int index = 0, shown = childCount(); index < shown; ++index) {
        const int row = grid()->rowInView(index);
        if (grid()->isRowSelected(row))
            rows.append(row);
    }
    return rows;
}

bool TMizelStringGridAccessible::isColumnSelected(int) const
{
    return false;
}

bool TMizelStringGridAccessible::isRowSelected(int row) const
{
    return grid()->isRowSelected(row);
}

// The selection follows the keyboard and the mouse only.
bool TMizelStringGridAccessible::selectRow(int)
{
    return false;
}

bool TMizelStringGridAccessible::selectColumn(int)
{
    return false;
}

bool TMizelStringGridAccessible::unselectRow(int)
{
    return false;
}

bool TMizelStringGridAccessible::unselectColumn(int)
{
    return false;
}

void TMizelStringGridAccessible::modelChange(QAccessibleTableModelChangeEvent *)
{
    dropCells(false);
}
