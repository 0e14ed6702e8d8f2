#include "CGridCtrl.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using kestrune::CGridCtrl;

namespace {

// The devices page's shape: a 38-pixel header and 48-pixel rows.
void Shape(CGridCtrl& grid, int rows)
{
    grid.resize(780, 380);
    grid.SetColumnCount(4);
    const int widths[] = {63, 232, 341, 127};
    for (int c = 0; c < 4; ++c)
        grid.SetColumnWidth(c, widths[c]);
    grid.SetRowCount(1);
    grid.SetFixedRowCount(1);
    grid.SetRowHeight(0, 38);
    grid.SetDefaultRowHeight(48);
    for (int r = 0; r < rows; ++r) {
        const int row = grid.InsertRow();
        grid.SetItemText(row, 1, QString::number(row));
    }
    grid.Refresh();
}

QPoint CentreOf(CGridCtrl& grid, int row, int column)
{
    return grid.CellRect(row, column).center();
}

}  // namespace

TEST(GridCtrl, HitTestingFollowsScrollAndKeepsHeaderFixed)
{
    CGridCtrl grid;
    Shape(grid, 100);
    grid.show();
    int row = 0;
    int column = 0;
    struct Case {
        QPoint point;
        int row;
        int column;
    };
    // Unscrolled: header 0..37, row 1 38..85, row 2 86..133.
    const Case unscrolled[] = {{{10, 5}, 0, 0},   {{70, 37}, 0, 1},  {{70, 38}, 1, 1},
                               {{300, 85}, 1, 2}, {{700, 86}, 2, 3}, {{762, 86}, 2, 3}};
    for (const auto& c : unscrolled) {
        ASSERT_TRUE(grid.CellAt(c.point, row, column)) << c.point.x() << "," << c.point.y();
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(column, c.column);
    }
    // Right of the last column is no cell.
    EXPECT_FALSE(grid.CellAt({770, 50}, row, column));

    // Scrolled by ten rows the header stays where it was.
    grid.verticalScrollBar()->setValue(480);
    ASSERT_TRUE(grid.CellAt({10, 5}, row, column));
    EXPECT_EQ(row, 0);
    ASSERT_TRUE(grid.CellAt({10, 40}, row, column));
    EXPECT_EQ(row, 11);
    EXPECT_TRUE(grid.CellRect(1, 0).isEmpty());  // scrolled out of view
    EXPECT_EQ(grid.CellRect(11, 0).top(), 38);

    // Scrolled to the end, the last row is reachable.
    grid.EnsureRowVisible(100);
    ASSERT_FALSE(grid.CellRect(100, 2).isEmpty());
    ASSERT_TRUE(grid.CellAt(CentreOf(grid, 100, 2), row, column));
    EXPECT_EQ(row, 100);
}

TEST(GridCtrl, ClickNoticeCarriesCellOrMinusOne)
{
    CGridCtrl grid;
    Shape(grid, 3);
    grid.show();
    QSignalSpy clicks(&grid, &CGridCtrl::CellClicked);

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CentreOf(grid, 2, 3));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CentreOf(grid, 0, 0));
    // Below the last row: outside the cells.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(100, 370));
    // Pressed on one cell, released on another.
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, CentreOf(grid, 1, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, CentreOf(grid, 3, 0));

    ASSERT_EQ(clicks.count(), 4);
    const int expected[][2] = {{2, 3}, {0, 0}, {-1, -1}, {-1, -1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(clicks[i][0].toInt(), expected[i][0]) << i;
        EXPECT_EQ(clicks[i][1].toInt(), expected[i][1]) << i;
    }
}

TEST(GridCtrl, PaintsOnlyRowsInViewAndDrawsImagesAndText)
{
    CGridCtrl grid;
    Shape(grid, 1000);
    QPixmap red(24, 24);
    red.fill(Qt::red);
    grid.SetImageList({red});
    grid.SetGridBkColour(Qt::white);
    grid.SetItemImage(1, 0, 0);
    grid.SetItemImage(2, 0, 7);  // out of range: nothing drawn
    grid.SetItemText(0, 2, "MAC Address");
    grid.SetItemFgColour(0, 2, Qt::blue);
    grid.show();
    const QImage shot = grid.grab().toImage();

    // 380 - 38 pixels of 48-pixel rows: 8 rows at most, plus the header.
    EXPECT_LE(grid.LastPaintedRows(), 9);
    EXPECT_GE(grid.LastPaintedRows(), 8);
    // The image sits centred in its empty cell.
    EXPECT_EQ(shot.pixelColor(31, 38 + 24), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(31, 86 + 24), QColor(Qt::white));
    // Header text was drawn in its colour somewhere in its cell.
    bool blue = false;
    for (int x = 295; x < 636 && !blue; ++x)
        for (int y = 0; y < 38 && !blue; ++y)
            blue = shot.pixelColor(x, y).blue() > 200 && shot.pixelColor(x, y).red() < 80;
    EXPECT_TRUE(blue);
}

TEST(GridCtrl, DeleteNonFixedRowsKeepsHeaderAndRowsCanBeAddedAgain)
{
    CGridCtrl grid;
    Shape(grid, 50);
    grid.SetItemText(0, 1, "No.");
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    grid.DeleteNonFixedRows();
    EXPECT_EQ(grid.GetRowCount(), 1);
    EXPECT_EQ(grid.GetItemText(0, 1), "No.");
    EXPECT_EQ(grid.GetRowHeight(0), 38);
    EXPECT_EQ(grid.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(grid.InsertRow("x"), 1);
    EXPECT_EQ(grid.GetItemText(1, 0), "x");
    EXPECT_EQ(grid.GetRowHeight(1), 48);
    // Out-of-range access is harmless.
    grid.SetItemText(9, 9, "y");
    EXPECT_EQ(grid.GetItemText(9, 9), QString());
    EXPECT_EQ(grid.GetItemImage(-1, 0), -1);
}

TEST(GridCtrl, HandCursorOverItsColumnsOnly)
{
    CGridCtrl grid;
    Shape(grid, 3);
    grid.SetHandCursorColumns({0, 3});
    grid.show();
    QTest::mouseMove(grid.viewport(), CentreOf(grid, 1, 0));
    EXPECT_EQ(grid.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(grid.viewport(), CentreOf(grid, 1, 2));
    EXPECT_NE(grid.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(grid.viewport(), CentreOf(grid, 0, 3));
    EXPECT_EQ(grid.viewport()->cursor().shape(), Qt::PointingHandCursor);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
