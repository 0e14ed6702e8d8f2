#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QVector>

#include <optional>
#include <vector>

namespace kestrune {

// One cell of the grid. Unset font and colours fall back to the grid's defaults.
struct GridCell {
    QString text;
    int image = -1;  // index into the image list; out of range draws nothing
    Qt::Alignment format = Qt::AlignLeft | Qt::AlignVCenter;
    std::optional<QFont> font;
    QColor textColour;  // invalid: the grid's text colour
    QColor bkColour;    // invalid: the grid's background colour
};

// A general grid view: rows of cells with text and an image, a block of fixed
// rows at the top that does not scroll, per-row heights, grid lines, a sort
// mark in a header cell, a click notice and hand-pointer columns. Only the
// rows in view are painted, so a grid of many rows costs nothing to redraw.
class CGridCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CGridCtrl(QWidget* parent = nullptr);

    void SetColumnCount(int count);
    int GetColumnCount() const { return static_cast<int>(m_columnWidths.size()); }
    void SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;

    // Rows added by SetRowCount take the default height and empty cells.
    void SetRowCount(int count);
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    void SetFixedRowCount(int count);
    int GetFixedRowCount() const { return m_fixedRows; }
    void SetDefaultRowHeight(int height) { m_defaultRowHeight = height; }
    int GetDefaultRowHeight() const { return m_defaultRowHeight; }
    void SetRowHeight(int row, int height);
    int GetRowHeight(int row) const;

    // Appends a row (default height, empty cells); returns its index.
    int InsertRow(const QString& firstColumnText = {});
    // Removes every row below the fixed rows.
    void DeleteNonFixedRows();
    void ReserveRows(int count);

    bool IsValid(int row, int column) const;
    GridCell* GetCell(int row, int column);
    const GridCell* GetCell(int row, int column) const;
    void SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    void SetItemImage(int row, int column, int image);
    int GetItemImage(int row, int column) const;
    void SetItemFormat(int row, int column, Qt::Alignment format);
    void SetItemFont(int row, int column, const QFont& font);
    void SetItemFgColour(int row, int column, const QColor& colour);
    void SetItemBkColour(int row, int column, const QColor& colour);

    void SetImageList(const QVector<QPixmap>& images) { m_images = images; }
    const QVector<QPixmap>& GetImageList() const { return m_images; }

    void SetGridBkColour(const QColor& colour);
    void SetGridLineColour(const QColor& colour);
    void SetDefaultTextColour(const QColor& colour) { m_textColour = colour; }
    void SetDefaultFont(const QFont& font) { m_font = font; }

    // Columns over whose cells the mouse pointer becomes a hand.
    void SetHandCursorColumns(const QVector<int>& columns) { m_handColumns = columns; }
    // The header cell (row 0) of this column shows a sort mark; -1 shows none.
    void SetSortColumn(int column, bool ascending);
    int GetSortColumn() const { return m_sortColumn; }
    bool GetSortAscending() const { return m_sortAscending; }

    void RedrawCell(int row, int column);
    void Refresh();

    // The cell's rectangle in viewport coordinates (empty when out of view).
    QRect CellRect(int row, int column) const;
    // The cell under a viewport point; false when the point hits no cell.
    bool CellAt(const QPoint& point, int& row, int& column) const;
    void EnsureRowVisible(int row);

    // Rows painted by the last paint (tests and benchmarks look at this).
    int LastPaintedRows() const { return m_lastPaintedRows; }

signals:
    // A left click on a cell; row and column are -1 outside the cells.
    void CellClicked(int row, int column);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row {
        int height;
        std::vector<GridCell> cells;
    };

    int FixedHeight() const;
    int ScrollHeight() const;   // all non-fixed rows
    int RowTop(int row) const;  // viewport y of a row's top, scroll applied
    void UpdateOffsets() const;
    void UpdateScrollBars();
    void PaintCell(QPainter& painter, const QRect& rect, const GridCell& cell, int row,
                   int column) const;

    std::vector<int> m_columnWidths;
    std::vector<Row> m_rows;
    int m_fixedRows = 0;
    int m_defaultRowHeight = 25;
    QVector<QPixmap> m_images;
    QColor m_bkColour = Qt::white;
    QColor m_lineColour = QColor(192, 192, 192);
    QColor m_textColour = Qt::black;
    QFont m_font;
    QVector<int> m_handColumns;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    int m_pressRow = -1;
    int m_pressColumn = -1;
    int m_lastPaintedRows = 0;
    // Top of each non-fixed row relative to the first, plus the total at the end.
    mutable std::vector<int> m_offsets;
    mutable bool m_offsetsDirty = true;
};

}  // namespace kestrune
