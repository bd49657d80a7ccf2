#include "GridTestSupport.h"
#include "Mizelstringgrid.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <numeric>

namespace {

constexpr int Pitch = 21;
const QRgb Silver = qRgb(0xC0, 0xC0, 0xC0);

// Cell rectangle of the row shown at position index from the top.
QRect cellAt(int index)
{
    return QRect(0, index * Pitch, TMizelStringGrid::ColWidth, TMizelStringGrid::DefaultRowHeight);
}

QPoint pointIn(int index)
{
    return cellAt(index).center();
}

bool isBlank(const QImage &image, const QRect &rect)
{
    const QRgb first = image.pixel(rect.topLeft());
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

// The cell's inside (edges aside) shows a single line of text in font, 2
// pixels in from the left, its line box (ascent and descent) ending 2 pixels
// above the cell's bottom.
bool showsText(const QImage &image, int index, const QString &text, const QColor &background,
               const QColor &color, const QFont &font = windowFont())
{
    QImage expected(TMizelStringGrid::ColWidth, TMizelStringGrid::DefaultRowHeight, image.format());
    expected.fill(background);
    {
        QPainter painter(&expected);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(2, TMizelStringGrid::DefaultRowHeight - 2 - QFontMetrics(font).descent(), text);
    }
    const QRect inside(1, 1, TMizelStringGrid::ColWidth - 2, TMizelStringGrid::DefaultRowHeight - 2);
    return image.copy(inside.translated(cellAt(index).topLeft())) == expected.copy(inside);
}

class GridWidget : public ::testing::Test
{
protected:
    GridWidget()
    {
        grid.setFont(windowFont());
        grid.resize(285, 320);
        grid.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&grid));
        // Showing the window gives the grid the focus; tests that want it take it back.
        grid.clearFocus();
    }

    QImage image() { return grid.viewport()->grab().toImage(); }
    QRgb color(QPalette::ColorRole role) const { return grid.palette().color(role).rgb(); }
    int fullRows() const { return (grid.viewport()->height() - grid.fixedRows() * Pitch) / Pitch; }

    void loadCount(int n)
    {
        list.resize(std::size_t(n));
        std::iota(list.begin(), list.end(), 1);
        grid.loadVector(&list);
    }

    bool activate()
    {
        grid.activateWindow();
        grid.setFocus();
        return QTest::qWaitForWindowActive(&grid) && grid.hasFocus();
    }

    void mouse(QEvent::Type type, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, pos, grid.viewport()->mapToGlobal(pos), button, buttons, modifiers);
        QApplication::sendEvent(grid.viewport(), &event);
    }

    TMizelStringGrid grid;
    mizel::ValueList list;
};

} // namespace

TEST_F(GridWidget, BeforeAnyListShowsTheFixedHeaderOverOneBlankRow)
{
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.fixedRows(), 1);
    EXPECT_EQ(grid.topRow(), 1);
    EXPECT_EQ(grid.currentRow(), 1);

    const QImage shot = image();
    EXPECT_TRUE(showsText(shot, 0, QStringLiteral("乱数"), color(QPalette::Button), color(QPalette::Text)));
    // Raised edge inside the fixed cell, black lines around it, silver below the data row.
    EXPECT_EQ(shot.pixel(0, 0), color(QPalette::Light));
    EXPECT_EQ(shot.pixel(260, 19), color(QPalette::Dark));
    EXPECT_EQ(shot.pixel(261, 5), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(5, 20), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(5, 41), Silver);
    // The unfocused current cell shows as selected.
    EXPECT_TRUE(isBlank(shot, cellAt(1)));
    EXPECT_EQ(shot.pixel(cellAt(1).topLeft()), color(QPalette::Highlight));
    EXPECT_EQ(grid.lastPaintFormatCount(), 0);
}

TEST_F(GridWidget, ListShowsOneNumberPerRowTwoPixelsInAndAbove)
{
    list = {5, -12, 0, -2147483648};
    grid.loadVector(&list);
    EXPECT_EQ(grid.rowCount(), 5);
    EXPECT_EQ(grid.fixedRows(), 1);

    const QImage shot = image();
    EXPECT_TRUE(showsText(shot, 0, QStringLiteral("乱数"), color(QPalette::Button), color(QPalette::Text)));
    EXPECT_TRUE(showsText(shot, 1, QStringLiteral("5"), color(QPalette::Highlight), color(QPalette::HighlightedText)));
    EXPECT_TRUE(showsText(shot, 2, QStringLiteral("-12"), color(QPalette::Base), color(QPalette::Text)));
    EXPECT_TRUE(showsText(shot, 3, QStringLiteral("0"), color(QPalette::Base), color(QPalette::Text)));
    // The longest number text fits the column on one line.
    EXPECT_TRUE(showsText(shot, 4, QStringLiteral("-2147483648"), color(QPalette::Base), color(QPalette::Text)));
    // Below the last row and beside the column lies plain background.
    EXPECT_TRUE(isBlank(shot, QRect(0, 5 * Pitch, shot.width(), shot.height() - 5 * Pitch)));
    EXPECT_TRUE(isBlank(shot, QRect(262, 0, shot.width() - 262, shot.height())));
    EXPECT_EQ(grid.lastPaintFormatCount(), 4);
}

TEST_F(GridWidget, EmptyListDropsTheFixedRowForGood)
{
    list.clear();
    grid.loadVector(&list);
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.fixedRows(), 0);
    EXPECT_EQ(grid.currentRow(), 0);
    QImage shot = image();
    // The header is now an ordinary cell, and the current one.
    EXPECT_TRUE(showsText(shot, 0, QStringLiteral("乱数"), color(QPalette::Highlight), color(QPalette::HighlightedText)));
    EXPECT_EQ(shot.pixel(5, 20), Silver);

    loadCount(100);
    EXPECT_EQ(grid.rowCount(), 101);
    EXPECT_EQ(grid.fixedRows(), 0);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.currentRow(), 1);
    shot = image();
    EXPECT_TRUE(showsText(shot, 0, QStringLiteral("乱数"), color(QPalette::Base), color(QPalette::Text)));
    EXPECT_TRUE(showsText(shot, 1, QStringLiteral("1"), color(QPalette::Highlight), color(QPalette::HighlightedText)));

    // Row 0 scrolls away with the numbers and can be selected again.
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.topRow(), 101 - fullRows());
    EXPECT_TRUE(showsText(image(), 0, QString::number(grid.topRow()), color(QPalette::Base), color(QPalette::Text)));
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(grid.topRow(), 0);
}

TEST_F(GridWidget, RowsPastTheCurrentEndOfTheListPaintBlank)
{
    list = {5, -12, 0};
    grid.loadVector(&list);
    list.pop_back();
    QImage shot = image();
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_TRUE(showsText(shot, 2, QStringLiteral("-12"), color(QPalette::Base), color(QPalette::Text)));
    EXPECT_TRUE(isBlank(shot, cellAt(3)));
    EXPECT_EQ(shot.pixel(5, 3 * Pitch + 20), Silver);

    list.clear();
    shot = image();
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_TRUE(showsText(shot, 0, QStringLiteral("乱数"), color(QPalette::Button), color(QPalette::Text)));
    for (int index = 1; index <= 3; ++index)
        EXPECT_TRUE(isBlank(shot, cellAt(index))) << index;
    EXPECT_EQ(grid.lastPaintFormatCount(), 0);
}

TEST_F(GridWidget, PaintingFormatsOnlyTheVisibleRows)
{
    loadCount(1000);
    // Every row that starts inside the view, the partly shown last one included.
    const int shown = (grid.viewport()->height() - Pitch + Pitch - 1) / Pitch;
    EXPECT_EQ(grid.lastPaintFormatCount(), shown);
    image();
    EXPECT_EQ(grid.lastPaintFormatCount(), shown);

    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    image();
    EXPECT_EQ(grid.lastPaintFormatCount(), fullRows());
}

TEST_F(GridWidget, TallSingleLineTextIsClippedToItsShrunkCell)
{
    QFont tall = windowFont();
    tall.setPixelSize(30);
    ASSERT_LE(QFontMetrics(tall).horizontalAdvance(QStringLiteral("-2147483648")), 259);
    ASSERT_GT(QFontMetrics(tall).height(), 18);
    grid.setFont(tall);
    list = {-2147483648, -2147483648};
    grid.loadVector(&list);

    const QImage shot = image();
    // Row 2's text would reach up over the line above it and into row 1.
    for (int x = 0; x < TMizelStringGrid::ColWidth; ++x)
        ASSERT_EQ(shot.pixel(x, 2 * Pitch - 1), Silver) << x;
    EXPECT_TRUE(isBlank(shot, QRect(0, 2 * Pitch + 18, TMizelStringGrid::ColWidth, 2)));
    EXPECT_TRUE(isBlank(shot, QRect(0, 2 * Pitch, 2, 20)));
    EXPECT_FALSE(isBlank(shot, cellAt(2)));
}

TEST_F(GridWidget, TextTooWideForItsCellGoesOnTwoUnclippedLines)
{
    QFont huge = windowFont();
    huge.setPixelSize(60);
    ASSERT_GT(QFontMetrics(huge).horizontalAdvance(QStringLiteral("-2147483648")), 259);
    grid.setFont(huge);
    list = {-2147483648};
    grid.loadVector(&list);

    // Focused, the cell is not highlighted, so the text is dark on the white below the grid.
    ASSERT_TRUE(activate());
    const QImage shot = image();
    const int H = QFontMetrics(huge).height();
    // Line 1 starts at the cell's top; line 2 one text height lower, past the grid's last row.
    EXPECT_FALSE(isBlank(shot, cellAt(1)));
    EXPECT_FALSE(isBlank(shot, QRect(0, Pitch + 1 + H, TMizelStringGrid::ColWidth, H)));
}

TEST_F(GridWidget, MouseSelectsRowsAndFixedRowsTakeNoClicks)
{
    loadCount(100);
    ASSERT_TRUE(activate());
    grid.clearFocus();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, pointIn(3));
    EXPECT_TRUE(grid.hasFocus());
    EXPECT_EQ(grid.currentRow(), 3);
    EXPECT_EQ(grid.selectionAnchorRow(), 3);

    // Shift+click moves the far end of the range and keeps the focus.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, pointIn(6));
    EXPECT_EQ(grid.currentRow(), 3);
    EXPECT_EQ(grid.selectionAnchorRow(), 6);
    const QImage shot = image();
    for (int index = 4; index <= 6; ++index)
        EXPECT_EQ(shot.pixel(cellAt(index).topLeft() + QPoint(1, 1)), color(QPalette::Highlight)) << index;
    // The focused cell keeps the normal colours inside a dotted frame.
    EXPECT_EQ(shot.pixel(cellAt(3).center()), color(QPalette::Base));
    EXPECT_TRUE(showsText(shot, 3, QStringLiteral("3"), color(QPalette::Base), color(QPalette::Text)));
    int dots = 0;
    for (int x = 0; x < TMizelStringGrid::ColWidth; ++x)
        dots += shot.pixel(x, cellAt(3).top()) == color(QPalette::Text);
    EXPECT_NEAR(dots, TMizelStringGrid::ColWidth / 2, 1);

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, pointIn(0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(270, pointIn(8).y()));
    EXPECT_EQ(grid.currentRow(), 3);
    EXPECT_EQ(grid.selectionAnchorRow(), 6);

    // A drag keeps the focus where it began and selects up to the pointer.
    mouse(QEvent::MouseButtonPress, pointIn(2));
    mouse(QEvent::MouseMove, pointIn(5));
    mouse(QEvent::MouseButtonRelease, pointIn(5));
    EXPECT_EQ(grid.currentRow(), 2);
    EXPECT_EQ(grid.selectionAnchorRow(), 5);

    // Past the bottom edge the range grows a row at a time and scrolls.
    const QPoint below(10, grid.viewport()->height() + 30);
    mouse(QEvent::MouseButtonPress, pointIn(10));
    mouse(QEvent::MouseMove, below);
    EXPECT_EQ(grid.selectionAnchorRow(), 1 + fullRows());
    EXPECT_EQ(grid.topRow(), 2);
    mouse(QEvent::MouseMove, below);
    EXPECT_EQ(grid.selectionAnchorRow(), 2 + fullRows());
    EXPECT_EQ(grid.topRow(), 3);
    mouse(QEvent::MouseMove, pointIn(0));
    EXPECT_EQ(grid.selectionAnchorRow(), 2);
    EXPECT_EQ(grid.topRow(), 2);
    mouse(QEvent::MouseButtonRelease, pointIn(0));
    EXPECT_EQ(grid.currentRow(), 10);
}

TEST_F(GridWidget, KeysMoveTheFocusAndScrollAndShiftExtends)
{
    loadCount(100);
    const int page = fullRows() - 1;
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.currentRow(), 1);
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid.currentRow(), 4);
    EXPECT_EQ(grid.selectionAnchorRow(), 2);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.selectionAnchorRow(), 5);

    QTest::keyClick(&grid, Qt::Key_PageDown);
    EXPECT_EQ(grid.currentRow(), 5 + page);
    EXPECT_EQ(grid.topRow(), 1 + page);
    QTest::keyClick(&grid, Qt::Key_PageUp);
    EXPECT_EQ(grid.currentRow(), 5);
    EXPECT_EQ(grid.topRow(), 1);

    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.currentRow(), 100);
    EXPECT_EQ(grid.topRow(), 101 - fullRows());
    EXPECT_EQ(grid.verticalScrollBar()->value(), grid.verticalScrollBar()->maximum());
    QTest::keyClick(&grid, Qt::Key_PageDown);
    EXPECT_EQ(grid.currentRow(), 100);
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.topRow(), 1);

    QTest::keyClick(&grid, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(grid.currentRow(), 100);
    EXPECT_EQ(grid.selectionAnchorRow(), 1);
    QTest::keyClick(&grid, Qt::Key_Home);
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.selectionAnchorRow(), 1);

    // Ctrl+Down scrolls the view and leaves the focus.
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(grid.topRow(), 2);
    EXPECT_EQ(grid.currentRow(), 1);
}

TEST_F(GridWidget, WheelScrollsThreeRowsANotchAndLeavesTheFocus)
{
    loadCount(100);
    const QPoint pos = pointIn(4);
    QWheelEvent notch(pos, grid.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &notch);
    EXPECT_EQ(grid.topRow(), 4);
    EXPECT_EQ(grid.currentRow(), 1);
}

TEST_F(GridWidget, ScrollBarShowsOnlyWhenRowsExceedTheView)
{
    list = {1, 2, 3};
    grid.loadVector(&list);
    EXPECT_FALSE(grid.verticalScrollBar()->isVisible());
    loadCount(100);
    EXPECT_TRUE(grid.verticalScrollBar()->isVisible());
    EXPECT_EQ(grid.verticalScrollBar()->maximum(), 100 - fullRows());
}

TEST_F(GridWidget, LinesStayOneDevicePixelWhenScaledAndFollowThePalette)
{
    loadCount(100);
    // Widths of the runs of one colour along a line of pixels.
    const auto runs = [](const QImage &shot, QPoint from, QPoint step, QRgb color) {
        QList<int> widths{0};
        for (QPoint p = from; shot.rect().contains(p); p += step) {
            if (shot.pixel(p) == color)
                ++widths.back();
            else if (widths.back() > 0)
                widths.append(0);
        }
        widths.removeAll(0);
        return widths;
    };
    for (const qreal scale : {1.25, 1.5}) {
        QImage shot((QSizeF(grid.viewport()->size()) * scale).toSize(), QImage::Format_RGB32);
        shot.setDevicePixelRatio(scale);
        grid.viewport()->render(&shot);
        // Down the column's left edge, and across a row right of its text.
        EXPECT_EQ(runs(shot, QPoint(1, 0), QPoint(0, 1), qRgb(0, 0, 0)), QList{1}) << scale;
        const QList<int> down = runs(shot, QPoint(1, 0), QPoint(0, 1), Silver);
        EXPECT_GE(down.size(), fullRows()) << scale;
        EXPECT_EQ(down.count(1), down.size()) << scale;
        EXPECT_EQ(runs(shot, QPoint(100, int(2.5 * Pitch * scale)), QPoint(1, 0), Silver), QList{1}) << scale;
    }

    QPalette dark = grid.palette();
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    grid.setPalette(dark);
    const QImage shot = image();
    // The header's line shows in the text colour, the others between base and text, nearer the base.
    EXPECT_EQ(shot.pixel(5, 20), dark.color(QPalette::Text).rgb());
    EXPECT_GT(qGray(shot.pixel(5, 41)), 0x40);
    EXPECT_LT(qGray(shot.pixel(5, 41)), 0x80);
}
