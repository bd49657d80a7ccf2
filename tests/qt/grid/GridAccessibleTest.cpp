#include "GridTestSupport.h"
#include "Mizelstringgrid.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

#include <numeric>

namespace {

// Focus events as a screen reader would get them: the cell they name, read at once.
QStringList focusedTexts;

void recordFocus(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::Focus)
        focusedTexts.append(event->accessibleInterface()->text(QAccessible::Name));
}

} // namespace

TEST(GridAccessible, TableShowsHeaderNumbersAndTheCurrentCell)
{
    ASSERT_TRUE(QTest::qWaitFor([] { return QAccessible::isActive(); }))
        << "no accessibility bus: run through run_with_accessibility_bus.sh";
    QAccessible::installUpdateHandler(recordFocus);
    mizel::ValueList list(1000);
    std::iota(list.begin(), list.end(), 1);
    list[0] = -12;
    TMizelStringGrid grid;
    ASSERT_TRUE(showFocused(grid));
    grid.loadVector(&list);

    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&grid);
    QAccessibleTableInterface *table = face->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(face->role(), QAccessible::Table);
    EXPECT_EQ(table->rowCount(), 1001);
    EXPECT_EQ(table->columnDescription(0), QStringLiteral("乱数"));

    QAccessibleInterface *header = table->cellAt(0, 0);
    EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(header->text(QAccessible::Name), QStringLiteral("乱数"));
    for (const auto &[row, text] : {std::pair{1, "-12"}, {2, "2"}, {1000, "1000"}}) {
        QAccessibleInterface *cell = table->cellAt(row, 0);
        ASSERT_NE(cell, nullptr) << row;
        EXPECT_EQ(cell->role(), QAccessible::Cell);
        EXPECT_EQ(cell->text(QAccessible::Name), QString::fromLatin1(text));
        EXPECT_EQ(cell->tableCellInterface()->rowIndex(), row);
        EXPECT_EQ(cell->tableCellInterface()->columnHeaderCells(), QList{header});
        EXPECT_EQ(cell->state().invisible, row == 1000) << row;
    }

    // Children are the cells in view, in order.
    EXPECT_EQ(face->childCount(), grid.rowsInView());
    EXPECT_EQ(face->child(0), header);
    EXPECT_EQ(face->indexOfChild(table->cellAt(2, 0)), 2);
    EXPECT_EQ(face->indexOfChild(table->cellAt(1000, 0)), -1);

    ASSERT_EQ(face->focusChild(), table->cellAt(1, 0));
    EXPECT_TRUE(face->focusChild()->state().focused);

    // Moving the current row announces the new cell; a scrolled-to one too.
    focusedTexts.clear();
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_End);
    EXPECT_EQ(focusedTexts, QStringList({QStringLiteral("2"), QStringLiteral("1000")}));
    EXPECT_EQ(face->focusChild(), table->cellAt(1000, 0));
    EXPECT_FALSE(table->cellAt(1000, 0)->state().invisible);

    // Taking the focus announces the current cell after the grid itself.
    grid.clearFocus();
    grid.setFocus();
    EXPECT_TRUE(QTest::qWaitFor([] { return focusedTexts.last() == QStringLiteral("1000"); }));
    QAccessible::installUpdateHandler(nullptr);
}
