#include "CDropListWnd.h"

#include "CCustomComboBox.h"
#include "CDropListBoxWnd.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace kestrune {

CDropListWnd::CDropListWnd(CCustomComboBox* combo)
    : QWidget(combo, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      m_combo(combo),
      m_list(new CDropListBoxWnd(combo, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    connect(m_list, &CDropListBoxWnd::ItemClicked, this,
            [this](int index) { m_combo->ChooseFromList(index); });
}

CDropListWnd::~CDropListWnd() = default;

void CDropListWnd::Popup()
{
    const ComboStyle& style = m_combo->Style();
    const int count =
        std::max(1, std::min(m_combo->GetCount(), std::max(1, style.maxVisibleItems)));
    const int listHeight = count * style.itemHeight;
    const int border = kShadow + kInset;
    const QSize outer(m_combo->width() + 2 * kShadow, listHeight + 2 * border);
    resize(outer);
    m_list->setGeometry(border, border, outer.width() - 2 * border, listHeight);
    m_list->UpdateRange();
    m_list->SetHoveredIndex(-1);
    m_list->EnsureVisible(m_combo->GetCurSel());

    QPoint at = m_combo->mapToGlobal(QPoint(-kShadow, m_combo->height() + 2 - kShadow));
    if (const QScreen* screen = m_combo->screen()) {
        const QRect room = screen->availableGeometry();
        if (at.y() + outer.height() > room.bottom() + 1) {
            const QPoint above =
                m_combo->mapToGlobal(QPoint(-kShadow, -2 - outer.height() + kShadow));
            if (above.y() >= room.top())
                at = above;
        }
        at.setX(std::clamp(at.x(), room.left(),
                           std::max(room.left(), room.right() + 1 - outer.width())));
    }
    move(at);
    show();
    m_list->setFocus(Qt::PopupFocusReason);
}

void CDropListWnd::paintEvent(QPaintEvent*)
{
    const ComboStyle& style = m_combo->Style();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A soft shadow: rings of falling alpha around the frame.
    painter.setPen(Qt::NoPen);
    for (int i = kShadow; i > 0; --i) {
        painter.setBrush(QColor(0, 0, 0, 10 * (kShadow - i + 1)));
        const QRectF ring =
            QRectF(rect()).adjusted(kShadow - i, kShadow - i + 1, i - kShadow, i - kShadow + 1);
        painter.drawRoundedRect(ring, style.listRadius + i, style.listRadius + i);
    }
    const QRectF frame =
        QRectF(rect()).adjusted(kShadow + 0.5, kShadow + 0.5, -kShadow - 0.5, -kShadow - 0.5);
    painter.setBrush(style.listBackground);
    painter.setPen(QPen(style.borderHot, 1));
    painter.drawRoundedRect(frame, style.listRadius, style.listRadius);
}

void CDropListWnd::mousePressEvent(QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (!rect().contains(event->position().toPoint())) {
        // A press on the combo itself only closes the list; without this the
        // press would reach the combo again and drop it straight back down.
        if (QRect(m_combo->mapToGlobal(QPoint(0, 0)), m_combo->size()).contains(global))
            setAttribute(Qt::WA_NoMouseReplay);
        hide();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CDropListWnd::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_F4:
            hide();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_list->HoveredIndex() >= 0)
                m_combo->ChooseFromList(m_list->HoveredIndex());
            else
                hide();
            break;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const int step = event->key() == Qt::Key_Up ? -1 : 1;
            int index = m_list->HoveredIndex() >= 0 ? m_list->HoveredIndex() : m_combo->GetCurSel();
            const int next = std::clamp(index + step, 0, std::max(0, m_combo->GetCount() - 1));
            m_list->SetHoveredIndex(next);
            m_list->EnsureVisible(next);
            break;
        }
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CDropListWnd::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_combo->DropListClosed();
}

}  // namespace kestrune
