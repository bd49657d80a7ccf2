#pragma once
// One-column result grid that shows a list of any length without copying it:
// it scrolls by row and formats only the cells it paints.
#include <QAbstractScrollArea>
#include <cstdint>
#include <vector>

class TMizelStringGrid : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TMizelStringGrid(QWidget *parent = nullptr);

    // Binds the list (never copied) and repaints before returning.
    void loadVector(const std::vector<std::int32_t> *list);

    int rowCount() const;
    int fixedRows() const;
    int topRow() const;          // first row shown below the fixed rows
    int currentRow() const;      // the focused cell's row
    int selectionAnchorRow() const;
};
