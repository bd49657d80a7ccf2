#pragma once
// One-column result grid that shows a list of any length without copying it:
// it scrolls by row and formats only the cells it paints.
#include "GridText.h"

#include <QAbstractScrollArea>
#include <QFlags>
#include <QRect>
#include <QString>
#include <cstdint>
#include <string_view>

class QPainter;

class TMizelStringGrid : public QAbstractScrollArea
{
    Q_OBJECT

public:
    enum GridDrawFlag { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
    Q_DECLARE_FLAGS(TGridDrawState, GridDrawFlag)

    static constexpr int DefaultRowHeight = mizel::GridRows::rowHeight;
    static constexpr int GridLineWidth = mizel::GridRows::lineWidth;
    static constexpr int ColWidth = 261;

    explicit TMizelStringGrid(QWidget *parent = nullptr);

    // Binds the list (never copied) and repaints before returning.
    void loadVector(const mizel::ValueList *list);
    // Stops reading the list, which another thread is about to fill: the rows
    // stay as they are, blank, until the next loadVector.
    void releaseVector();

    int rowCount() const;
    int fixedRows() const;
    int topRow() const;          // first row shown below the fixed rows
    int currentRow() const;      // the focused cell's row
    int selectionAnchorRow() const;
    bool isRowSelected(int row) const;  // fixed rows never are
    // How many numbers the last paint formatted.
    int lastPaintFormatCount() const;
    // Rows with a cell in the view: the fixed ones, then those from topRow()
    // that start inside it. Index i of them is shown at y = i * row pitch.
    int rowsInView() const;
    int rowInView(int index) const;
    int indexInView(int row) const;  // -1 for a row out of view
    // The text a cell shows: the header, a number, or nothing past the list's end.
    QString cellText(int row) const;

protected:
    // Draws the text of one cell; the background, edges and focus are the
    // painting loop's.
    void DrawCell(int ACol, int ARow, const QRect &Rect, TGridDrawState State);
    void GridTextOut(QRect Rect, std::string_view Text);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setRowCount(int value);
    void setFixedRows(int value);
    mizel::GridRows rows() const;
    void updateScrollRange();
    void setTopRow(qint64 row);
    void scrollIntoView(qint64 row);
    void focusCell(qint64 row, bool moveAnchor);
    void announceCurrentCell();
    qint64 rowAt(int y) const;
    void paintCell(qint64 row, int y);

    const mizel::ValueList *FVector = nullptr;
    int RowCount = 2;
    int FixedRows = 1;
    int FCurrent = 1;
    int FAnchor = 1;
    bool FSelecting = false;
    QPainter *Canvas = nullptr;  // set while a paint is under way
    int FFormatCount = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TMizelStringGrid::TGridDrawState)
