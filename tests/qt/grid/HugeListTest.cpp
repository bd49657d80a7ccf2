#include "GridTestSupport.h"
#include "Mizelstringgrid.h"

#include <QAccessible>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int Pitch = 21;
constexpr std::size_t HugeCount = 110'000'000;
static_assert(qint64(HugeCount + 1) * Pitch > qint64(INT_MAX), "rows must overflow int pixel positions");

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// A list longer than int pixel positions can reach, allocated (and every page
// touched) once for the whole suite.
class HugeList : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        values = new mizel::ValueList(HugeCount);
        (*values)[HugeCount - 2] = INT_MAX;
        (*values)[HugeCount - 1] = INT_MIN;
    }
    static void TearDownTestSuite()
    {
        delete values;
        values = nullptr;
    }

    HugeList()
    {
        grid.setFont(windowFont());
        grid.resize(285, 320);
        grid.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }

    QImage image() { return grid.viewport()->grab().toImage(); }
    int fullRows() const { return (grid.viewport()->height() - Pitch) / Pitch; }

    static mizel::ValueList *values;
    TMizelStringGrid grid;
};

mizel::ValueList *HugeList::values = nullptr;

} // namespace

TEST_F(HugeList, LoadingCostsTheSameAsAShortListAndNoMemory)
{
    mizel::ValueList shortList(1000, 7);
    grid.loadVector(&shortList);
    image();
    const int shortFormats = grid.lastPaintFormatCount();

    const long before = residentBytes();
    grid.loadVector(values);
    image();
    const long grown = residentBytes() - before;

    EXPECT_EQ(grid.rowCount(), int(HugeCount + 1));
    EXPECT_EQ(grid.verticalScrollBar()->maximum(), int(HugeCount) - fullRows());
    EXPECT_EQ(grid.lastPaintFormatCount(), shortFormats);
    // Anything kept per row would be hundreds of megabytes.
    EXPECT_LT(grown, 4L << 20) << grown;
}

TEST_F(HugeList, CtrlEndShowsTheLastValues)
{
    grid.loadVector(values);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.currentRow(), int(HugeCount));
    EXPECT_EQ(grid.topRow(), int(HugeCount + 1) - fullRows());
    EXPECT_EQ(grid.verticalScrollBar()->value(), grid.verticalScrollBar()->maximum());

    // A two-row list at its end paints the same last cells.
    mizel::ValueList tail(values->end() - 2, values->end());
    TMizelStringGrid reference;
    reference.setFont(windowFont());
    reference.resize(285, 320);
    reference.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&reference));
    reference.loadVector(&tail);
    QTest::keyClick(&reference, Qt::Key_End, Qt::ControlModifier);

    const QImage shot = image();
    const QImage expected = reference.viewport()->grab().toImage();
    const int last = fullRows();
    const QSize cell(TMizelStringGrid::ColWidth, TMizelStringGrid::DefaultRowHeight);
    EXPECT_EQ(shot.copy(QRect(QPoint(0, (last - 1) * Pitch), cell)), expected.copy(QRect(QPoint(0, Pitch), cell)));
    EXPECT_EQ(shot.copy(QRect(QPoint(0, last * Pitch), cell)), expected.copy(QRect(QPoint(0, 2 * Pitch), cell)));
    EXPECT_NE(shot.copy(QRect(QPoint(0, last * Pitch), cell)), expected.copy(QRect(QPoint(0, Pitch), cell)));
}

TEST_F(HugeList, AccessibleTableReachesEveryRowAndKeepsNoCellPerRow)
{
    grid.loadVector(values);
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&grid);
    QAccessibleTableInterface *table = face->tableInterface();
    EXPECT_EQ(table->rowCount(), int(HugeCount + 1));
    EXPECT_EQ(face->childCount(), grid.rowsInView());
    EXPECT_EQ(table->cellAt(int(HugeCount), 0)->text(QAccessible::Name), QStringLiteral("-2147483648"));

    // A client reading row after row leaves no trail of cells behind: those
    // out of view go. Checked by id: sanitizers keep freed memory resident.
    const QAccessible::Id early = QAccessible::uniqueId(table->cellAt(100, 0));
    for (int row = 1; row <= 10'000; ++row)
        ASSERT_EQ(table->cellAt(row, 0)->tableCellInterface()->rowIndex(), row);
    EXPECT_EQ(QAccessible::accessibleInterface(early), nullptr);
    EXPECT_EQ(face->child(1), table->cellAt(1, 0));
}
