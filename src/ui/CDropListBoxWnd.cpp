#include "CDropListBoxWnd.h"

#include "CCustomComboBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

namespace kestrune {

CDropListBoxWnd::CDropListBoxWnd(CCustomComboBox* combo, QWidget* parent)
    : QAbstractScrollArea(parent), m_combo(combo)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    // Every paint fills the whole viewport: nothing behind it needs drawing.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_tipTimer.setSingleShot(true);
    connect(&m_tipTimer, &QTimer::timeout, this, &CDropListBoxWnd::ShowTip);
}

CDropListBoxWnd::~CDropListBoxWnd() = default;

void CDropListBoxWnd::UpdateRange()
{
    const int itemHeight = m_combo->Style().itemHeight;
    const int total = m_combo->GetCount() * itemHeight;
    verticalScrollBar()->setRange(0, std::max(0, total - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(itemHeight);
    viewport()->update();
}

void CDropListBoxWnd::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateRange();
}

QRect CDropListBoxWnd::ItemRect(int index) const
{
    const int itemHeight = m_combo->Style().itemHeight;
    return {0, index * itemHeight - verticalScrollBar()->value(), viewport()->width(), itemHeight};
}

int CDropListBoxWnd::IndexAt(const QPoint& viewportPos) const
{
    if (!viewport()->rect().contains(viewportPos))
        return -1;
    const int index =
        (viewportPos.y() + verticalScrollBar()->value()) / m_combo->Style().itemHeight;
    return index < m_combo->GetCount() ? index : -1;
}

void CDropListBoxWnd::EnsureVisible(int index)
{
    if (index < 0 || index >= m_combo->GetCount())
        return;
    const QRect item = ItemRect(index);
    if (item.top() < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + item.top());
    else if (item.bottom() > viewport()->height() - 1)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + item.bottom() -
                                      viewport()->height() + 1);
}

int CDropListBoxWnd::TextRight(int index) const
{
    // The selected item keeps room for its tick at the right end.
    const ComboStyle& style = m_combo->Style();
    int right = viewport()->width() - 8;
    if (index == m_combo->GetCurSel())
        right -= style.iconSize + 4;
    return right;
}

QString CDropListBoxWnd::ToolTipTextAt(int index) const
{
    const CCustomComboBox::Item* item = m_combo->ItemAt(index);
    if (!item)
        return {};
    const QFontMetrics metrics(m_combo->TextFont());
    int left = 8;
    if (item->icon >= 0 && !m_combo->Icon(item->icon).isNull())
        left += m_combo->Style().iconSize + 4;
    const int room = TextRight(index) - left;
    return metrics.horizontalAdvance(item->text) > room ? item->text : QString();
}

void CDropListBoxWnd::SetHoveredIndex(int index)
{
    if (index == m_hovered)
        return;
    m_hovered = index;
    viewport()->update();
    // A tip for a text that does not fit, after the tool tip delays.
    m_tipTimer.stop();
    const QString tip = ToolTipTextAt(index);
    if (tip.isEmpty()) {
        if (m_tipIndex >= 0) {
            QToolTip::hideText();
            m_tipIndex = -1;
            m_sinceTip.restart();
        }
        return;
    }
    const bool recent =
        m_tipIndex >= 0 || (m_sinceTip.isValid() && m_sinceTip.elapsed() < kTipShownMs);
    m_tipTimer.start(recent && m_tipShownOnce ? kTipReshowMs : kTipDelayMs);
}

void CDropListBoxWnd::ShowTip()
{
    const QString tip = ToolTipTextAt(m_hovered);
    if (tip.isEmpty())
        return;
    const QRect item = ItemRect(m_hovered);
    QToolTip::showText(viewport()->mapToGlobal(item.bottomLeft() + QPoint(8, 2)), tip, viewport(),
                       item, kTipShownMs);
    m_tipIndex = m_hovered;
    m_tipShownOnce = true;
    m_sinceTip.restart();
}

void CDropListBoxWnd::paintEvent(QPaintEvent*)
{
    const ComboStyle& style = m_combo->Style();
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), style.listBackground);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(m_combo->TextFont());
    const QFontMetrics metrics(m_combo->TextFont());
    const int count = m_combo->GetCount();
    const int first = std::max(0, verticalScrollBar()->value() / std::max(1, style.itemHeight));
    for (int index = first; index < count; ++index) {
        const QRect row = ItemRect(index);
        if (row.top() >= viewport()->height())
            break;
        const CCustomComboBox::Item* item = m_combo->ItemAt(index);
        const bool selected = index == m_combo->GetCurSel();
        const bool highlighted = (index == m_hovered && item->enabled) || selected;
        if (highlighted) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(style.highlightFill);
            painter.drawRoundedRect(QRectF(row).adjusted(4, 2, -4, -2), style.fieldRadius,
                                    style.fieldRadius);
        }
        int left = row.left() + 8;
        if (item->icon >= 0) {
            const QImage icon = m_combo->Icon(item->icon);
            if (!icon.isNull()) {
                const QRect iconBox(left, row.top() + (row.height() - style.iconSize) / 2,
                                    style.iconSize, style.iconSize);
                painter.drawImage(iconBox, icon);
                left += style.iconSize + 4;
            }
        }
        QColor colour = style.itemText;
        if (!item->enabled)
            colour = style.disabledText;
        else if (highlighted)
            colour = style.highlightText;
        painter.setPen(colour);
        const int right = row.left() + TextRight(index);
        const QRect textBox(left, row.top(), std::max(0, right - left), row.height());
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(item->text, Qt::ElideRight, textBox.width()));
        if (selected) {
            // The tick: a check mark in the highlight colour, 2-pixel pen.
            const qreal size = style.iconSize;
            const QRectF tick(row.right() - 8 - size, row.top() + (row.height() - size) / 2, size,
                              size);
            QPainterPath mark;
            mark.moveTo(tick.left() + size * 0.18, tick.top() + size * 0.52);
            mark.lineTo(tick.left() + size * 0.42, tick.top() + size * 0.76);
            mark.lineTo(tick.left() + size * 0.84, tick.top() + size * 0.28);
            painter.setBrush(Qt::NoBrush);
            painter.setPen(
                QPen(style.highlightText, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPath(mark);
        }
        if (index < count - 1) {
            painter.setPen(Qt::NoPen);
            painter.fillRect(QRect(row.left() + 12, row.bottom(), std::max(0, row.width() - 24), 1),
                             style.separator);
        }
    }
}

void CDropListBoxWnd::mouseMoveEvent(QMouseEvent* event)
{
    SetHoveredIndex(IndexAt(event->position().toPoint()));
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CDropListBoxWnd::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void CDropListBoxWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const int index = IndexAt(event->position().toPoint());
        if (index >= 0 && m_combo->IsItemEnabled(index))
            emit ItemClicked(index);
    }
    event->accept();
}

void CDropListBoxWnd::leaveEvent(QEvent* event)
{
    SetHoveredIndex(-1);
    QAbstractScrollArea::leaveEvent(event);
}

}  // namespace kestrune
