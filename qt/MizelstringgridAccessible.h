#pragma once
// The result grid as an accessible table for screen readers: one column, a
// row for the header and one for each number.
#include <QAccessibleWidget>
#include <QHash>

class TMizelStringGrid;

class TMizelStringGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit TMizelStringGridAccessible(TMizelStringGrid *grid);
    ~TMizelStringGridAccessible() override;

    // For QAccessible::installFactory.
    static QAccessibleInterface *factory(const QString &className, QObject *object);

    // Children are the cells in view, so that no client walks two billion of
    // them; the table interface reaches every row.
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QAccessibleInterface *caption() const override;
    QAccessibleInterface *summary() const override;
    QAccessibleInterface *cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent *event) override;

private:
    TMizelStringGrid *grid() const;
    // Cells are made on demand and kept by row; past this many, those out of
    // view go, so a client that visits every row does not pile them up.
    static constexpr int MaxCells = 1024;
    void dropCells(bool keepInView) const;

    mutable QHash<int, QAccessible::Id> FCells;
};
