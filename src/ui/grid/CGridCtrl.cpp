#include "CGridCtrl.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace kestrune {

CGridCtrl::CGridCtrl(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
}

void CGridCtrl::SetColumnCount(int count)
{
    count = std::max(count, 0);
    m_columnWidths.resize(static_cast<size_t>(count), 80);
    for (auto& row : m_rows)
        row.cells.resize(static_cast<size_t>(count));
    UpdateScrollBars();
}

void CGridCtrl::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= GetColumnCount())
        return;
    m_columnWidths[static_cast<size_t>(column)] = std::max(width, 0);
    UpdateScrollBars();
}

int CGridCtrl::GetColumnWidth(int column) const
{
    if (column < 0 || column >= GetColumnCount())
        return 0;
    return m_columnWidths[static_cast<size_t>(column)];
}

void CGridCtrl::SetRowCount(int count)
{
    count = std::max(count, 0);
    const auto old = m_rows.size();
    m_rows.resize(static_cast<size_t>(count));
    for (size_t i = old; i < m_rows.size(); ++i) {
        m_rows[i].height = m_defaultRowHeight;
        m_rows[i].cells.resize(m_columnWidths.size());
    }
    m_fixedRows = std::min(m_fixedRows, count);
    m_offsetsDirty = true;
    UpdateScrollBars();
}

void CGridCtrl::SetFixedRowCount(int count)
{
    if (count > GetRowCount())
        SetRowCount(count);
    m_fixedRows = std::max(count, 0);
    m_offsetsDirty = true;
    UpdateScrollBars();
}

void CGridCtrl::SetRowHeight(int row, int height)
{
    if (row < 0 || row >= GetRowCount())
        return;
    m_rows[static_cast<size_t>(row)].height = std::max(height, 0);
    m_offsetsDirty = true;
    UpdateScrollBars();
}

int CGridCtrl::GetRowHeight(int row) const
{
    if (row < 0 || row >= GetRowCount())
        return 0;
    return m_rows[static_cast<size_t>(row)].height;
}

int CGridCtrl::InsertRow(const QString& firstColumnText)
{
    Row row{m_defaultRowHeight, std::vector<GridCell>(m_columnWidths.size())};
    if (!row.cells.empty())
        row.cells[0].text = firstColumnText;
    m_rows.push_back(std::move(row));
    // Keep the offsets current so that appending many rows stays linear.
    if (!m_offsetsDirty)
        m_offsets.push_back(m_offsets.back() + m_rows.back().height);
    UpdateScrollBars();
    return GetRowCount() - 1;
}

void CGridCtrl::DeleteNonFixedRows()
{
    m_rows.resize(static_cast<size_t>(m_fixedRows));
    m_offsetsDirty = true;
    verticalScrollBar()->setValue(0);
    UpdateScrollBars();
}

void CGridCtrl::ReserveRows(int count)
{
    m_rows.reserve(static_cast<size_t>(std::max(count, 0)));
}

bool CGridCtrl::IsValid(int row, int column) const
{
    return row >= 0 && row < GetRowCount() && column >= 0 && column < GetColumnCount();
}

GridCell* CGridCtrl::GetCell(int row, int column)
{
    if (!IsValid(row, column))
        return nullptr;
    return &m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

const GridCell* CGridCtrl::GetCell(int row, int column) const
{
    if (!IsValid(row, column))
        return nullptr;
    return &m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

void CGridCtrl::SetItemText(int row, int column, const QString& text)
{
    if (auto* cell = GetCell(row, column))
        cell->text = text;
}

QString CGridCtrl::GetItemText(int row, int column) const
{
    const auto* cell = GetCell(row, column);
    return cell ? cell->text : QString();
}

void CGridCtrl::SetItemImage(int row, int column, int image)
{
    if (auto* cell = GetCell(row, column))
        cell->image = image;
}

int CGridCtrl::GetItemImage(int row, int column) const
{
    const auto* cell = GetCell(row, column);
    return cell ? cell->image : -1;
}

void CGridCtrl::SetItemFormat(int row, int column, Qt::Alignment format)
{
    if (auto* cell = GetCell(row, column))
        cell->format = format;
}

void CGridCtrl::SetItemFont(int row, int column, const QFont& font)
{
    if (auto* cell = GetCell(row, column))
        cell->font = font;
}

void CGridCtrl::SetItemFgColour(int row, int column, const QColor& colour)
{
    if (auto* cell = GetCell(row, column))
        cell->textColour = colour;
}

void CGridCtrl::SetItemBkColour(int row, int column, const QColor& colour)
{
    if (auto* cell = GetCell(row, column))
        cell->bkColour = colour;
}

void CGridCtrl::SetGridBkColour(const QColor& colour)
{
    m_bkColour = colour;
    viewport()->update();
}

void CGridCtrl::SetGridLineColour(const QColor& colour)
{
    m_lineColour = colour;
    viewport()->update();
}

void CGridCtrl::SetSortColumn(int column, bool ascending)
{
    m_sortColumn = column;
    m_sortAscending = ascending;
    RedrawCell(0, column);
}

void CGridCtrl::RedrawCell(int row, int column)
{
    const QRect rect = CellRect(row, column);
    if (!rect.isEmpty())
        viewport()->update(rect);
}

void CGridCtrl::Refresh()
{
    UpdateScrollBars();
    viewport()->update();
}

void CGridCtrl::UpdateOffsets() const
{
    if (!m_offsetsDirty)
        return;
    m_offsets.clear();
    m_offsets.reserve(m_rows.size() + 1);
    int top = 0;
    m_offsets.push_back(0);
    for (size_t i = static_cast<size_t>(m_fixedRows); i < m_rows.size(); ++i) {
        top += m_rows[i].height;
        m_offsets.push_back(top);
    }
    m_offsetsDirty = false;
}

int CGridCtrl::FixedHeight() const
{
    int height = 0;
    for (int i = 0; i < m_fixedRows; ++i)
        height += m_rows[static_cast<size_t>(i)].height;
    return height;
}

int CGridCtrl::ScrollHeight() const
{
    UpdateOffsets();
    return m_offsets.back();
}

int CGridCtrl::RowTop(int row) const
{
    if (row < m_fixedRows) {
        int top = 0;
        for (int i = 0; i < row; ++i)
            top += m_rows[static_cast<size_t>(i)].height;
        return top;
    }
    UpdateOffsets();
    return FixedHeight() + m_offsets[static_cast<size_t>(row - m_fixedRows)] -
           verticalScrollBar()->value();
}

void CGridCtrl::UpdateScrollBars()
{
    int totalWidth = 0;
    for (int width : m_columnWidths)
        totalWidth += width;
    const QSize area = viewport()->size();
    const int scrollArea = std::max(area.height() - FixedHeight(), 0);
    verticalScrollBar()->setPageStep(std::max(scrollArea, 1));
    verticalScrollBar()->setSingleStep(std::max(m_defaultRowHeight, 1));
    verticalScrollBar()->setRange(0, std::max(ScrollHeight() - scrollArea, 0));
    horizontalScrollBar()->setPageStep(std::max(area.width(), 1));
    horizontalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setRange(0, std::max(totalWidth - area.width(), 0));
}

QRect CGridCtrl::CellRect(int row, int column) const
{
    if (!IsValid(row, column))
        return {};
    int left = -horizontalScrollBar()->value();
    for (int i = 0; i < column; ++i)
        left += m_columnWidths[static_cast<size_t>(i)];
    const int top = RowTop(row);
    QRect rect(left, top, m_columnWidths[static_cast<size_t>(column)],
               m_rows[static_cast<size_t>(row)].height);
    // Scrolled rows never show under the fixed rows.
    QRect visible = viewport()->rect();
    if (row >= m_fixedRows)
        visible.setTop(FixedHeight());
    return rect.intersected(visible);
}

bool CGridCtrl::CellAt(const QPoint& point, int& row, int& column) const
{
    row = -1;
    column = -1;
    if (!viewport()->rect().contains(point))
        return false;
    int x = point.x() + horizontalScrollBar()->value();
    for (int i = 0; i < GetColumnCount(); ++i) {
        if (x < m_columnWidths[static_cast<size_t>(i)]) {
            column = i;
            break;
        }
        x -= m_columnWidths[static_cast<size_t>(i)];
    }
    if (column < 0)
        return false;
    const int fixedHeight = FixedHeight();
    if (point.y() < fixedHeight) {
        int y = point.y();
        for (int i = 0; i < m_fixedRows; ++i) {
            if (y < m_rows[static_cast<size_t>(i)].height) {
                row = i;
                return true;
            }
            y -= m_rows[static_cast<size_t>(i)].height;
        }
    }
    UpdateOffsets();
    const int y = point.y() - fixedHeight + verticalScrollBar()->value();
    if (y < 0 || y >= m_offsets.back()) {
        column = -1;
        return false;
    }
    const auto it = std::upper_bound(m_offsets.begin(), m_offsets.end(), y);
    row = m_fixedRows + static_cast<int>(it - m_offsets.begin()) - 1;
    return true;
}

void CGridCtrl::EnsureRowVisible(int row)
{
    if (row < m_fixedRows || row >= GetRowCount())
        return;
    UpdateOffsets();
    UpdateScrollBars();
    const int top = m_offsets[static_cast<size_t>(row - m_fixedRows)];
    const int bottom = m_offsets[static_cast<size_t>(row - m_fixedRows + 1)];
    const int area = viewport()->height() - FixedHeight();
    auto* bar = verticalScrollBar();
    if (top < bar->value())
        bar->setValue(top);
    else if (bottom > bar->value() + area)
        bar->setValue(bottom - area);
}

void CGridCtrl::PaintCell(QPainter& painter, const QRect& rect, const GridCell& cell, int row,
                          int column) const
{
    painter.fillRect(rect, cell.bkColour.isValid() ? cell.bkColour : m_bkColour);
    QRect content = rect.adjusted(4, 0, -4, 0);
    if (cell.image >= 0 && cell.image < m_images.size() && !m_images[cell.image].isNull()) {
        const QPixmap& image = m_images[cell.image];
        QPoint at;
        if (cell.text.isEmpty()) {
            at = QPoint(rect.left() + (rect.width() - image.width()) / 2,
                        rect.top() + (rect.height() - image.height()) / 2);
        } else {
            at = QPoint(content.left(), rect.top() + (rect.height() - image.height()) / 2);
            content.setLeft(content.left() + image.width() + 4);
        }
        painter.drawPixmap(at, image);
    }
    if (row == 0 && column == m_sortColumn && m_fixedRows > 0) {
        // A small triangle at the right: up for ascending, down for descending.
        const int cx = rect.right() - 10;
        const int cy = rect.center().y();
        QPolygon mark;
        if (m_sortAscending)
            mark << QPoint(cx - 4, cy + 2) << QPoint(cx + 4, cy + 2) << QPoint(cx, cy - 3);
        else
            mark << QPoint(cx - 4, cy - 2) << QPoint(cx + 4, cy - 2) << QPoint(cx, cy + 3);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(cell.textColour.isValid() ? cell.textColour : m_textColour);
        painter.drawPolygon(mark);
        painter.restore();
        content.setRight(content.right() - 14);
    }
    if (!cell.text.isEmpty()) {
        painter.setFont(cell.font ? *cell.font : m_font);
        painter.setPen(cell.textColour.isValid() ? cell.textColour : m_textColour);
        const QRect textRect = cell.format & Qt::AlignTop ? content.adjusted(0, 4, 0, 0) : content;
        const QString text =
            painter.fontMetrics().elidedText(cell.text, Qt::ElideRight, textRect.width());
        painter.drawText(textRect, static_cast<int>(cell.format) | Qt::TextSingleLine, text);
    }
    painter.setPen(m_lineColour);
    painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
}

void CGridCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), m_bkColour);
    UpdateOffsets();
    const int fixedHeight = FixedHeight();
    const int viewHeight = viewport()->height();
    const int scroll = verticalScrollBar()->value();
    const int xScroll = horizontalScrollBar()->value();
    int painted = 0;

    auto paintRow = [&](int row, int top) {
        const auto& data = m_rows[static_cast<size_t>(row)];
        int left = -xScroll;
        for (int c = 0; c < GetColumnCount(); ++c) {
            const int width = m_columnWidths[static_cast<size_t>(c)];
            const QRect rect(left, top, width, data.height);
            if (rect.intersects(event->rect()))
                PaintCell(painter, rect, data.cells[static_cast<size_t>(c)], row, c);
            left += width;
        }
        ++painted;
    };

    // Scrolled rows first, clipped below the fixed block; only those in view.
    painter.save();
    painter.setClipRect(QRect(0, fixedHeight, viewport()->width(), viewHeight - fixedHeight));
    const int first =
        static_cast<int>(std::upper_bound(m_offsets.begin(), m_offsets.end(), scroll) -
                         m_offsets.begin()) -
        1;
    for (int i = std::max(first, 0); i < static_cast<int>(m_offsets.size()) - 1; ++i) {
        const int top = fixedHeight + m_offsets[static_cast<size_t>(i)] - scroll;
        if (top >= viewHeight)
            break;
        paintRow(m_fixedRows + i, top);
    }
    painter.restore();

    int top = 0;
    for (int row = 0; row < m_fixedRows && top < viewHeight; ++row) {
        paintRow(row, top);
        top += m_rows[static_cast<size_t>(row)].height;
    }
    m_lastPaintedRows = painted;
}

void CGridCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    CellAt(event->position().toPoint(), m_pressRow, m_pressColumn);
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    int row = -1;
    int column = -1;
    CellAt(event->position().toPoint(), row, column);
    // A press on one cell and a release on another is no click on either.
    if (row != m_pressRow || column != m_pressColumn) {
        row = -1;
        column = -1;
    }
    m_pressRow = -1;
    m_pressColumn = -1;
    emit CellClicked(row, column);
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* event)
{
    int row = -1;
    int column = -1;
    const bool hit = CellAt(event->position().toPoint(), row, column);
    if (hit && m_handColumns.contains(column))
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CGridCtrl::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

}  // namespace kestrune
