#include "CCustomComboBox.h"

#include "CDropListBoxWnd.h"
#include "CDropListWnd.h"
#include "SkinFont.h"
#include "SkinImage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace kestrune {

ComboStyle ComboStyle::TemplateDialog()
{
    ComboStyle style;
    style.fieldHeight = 24;
    style.itemHeight = 20;
    style.highlightFill = QColor(251, 232, 233);
    style.highlightText = QColor(216, 34, 40);
    style.borderNormal = QColor(180, 180, 180);
    style.borderHot = QColor(216, 34, 40);
    style.iconSize = 16;
    return style;
}

CCustomComboBox::CCustomComboBox(QWidget* parent) : QWidget(parent), m_font(SkinFontPoints(9))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, false);
}

CCustomComboBox::~CCustomComboBox()
{
    delete m_dropList;
}

int CCustomComboBox::AddString(const QString& text, qint64 value, int icon)
{
    m_items.push_back({text, icon, value, true});
    if (m_dropList)
        m_dropList->ListBox()->UpdateRange();
    update();
    return GetCount() - 1;
}

bool CCustomComboBox::DeleteString(int index)
{
    if (index < 0 || index >= GetCount())
        return false;
    m_items.erase(m_items.begin() + index);
    if (index < m_selected)
        --m_selected;
    else if (index == m_selected)
        m_selected = -1;
    if (m_dropList) {
        m_dropList->ListBox()->SetHoveredIndex(-1);
        m_dropList->ListBox()->UpdateRange();
    }
    update();
    return true;
}

void CCustomComboBox::ResetContent()
{
    m_items.clear();
    m_selected = -1;
    if (m_dropList) {
        m_dropList->ListBox()->SetHoveredIndex(-1);
        m_dropList->ListBox()->UpdateRange();
    }
    update();
}

const CCustomComboBox::Item* CCustomComboBox::ItemAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return &m_items[static_cast<size_t>(index)];
}

QString CCustomComboBox::GetItemText(int index) const
{
    const Item* item = ItemAt(index);
    return item ? item->text : QString();
}

bool CCustomComboBox::SetItemText(int index, const QString& text)
{
    if (!ItemAt(index))
        return false;
    m_items[static_cast<size_t>(index)].text = text;
    update();
    if (m_dropList)
        m_dropList->ListBox()->viewport()->update();
    return true;
}

qint64 CCustomComboBox::GetItemData(int index) const
{
    const Item* item = ItemAt(index);
    return item ? item->value : 0;
}

bool CCustomComboBox::SetItemData(int index, qint64 value)
{
    if (!ItemAt(index))
        return false;
    m_items[static_cast<size_t>(index)].value = value;
    return true;
}

bool CCustomComboBox::IsItemEnabled(int index) const
{
    const Item* item = ItemAt(index);
    return item && item->enabled;
}

bool CCustomComboBox::SetItemEnabled(int index, bool enabled)
{
    if (!ItemAt(index))
        return false;
    m_items[static_cast<size_t>(index)].enabled = enabled;
    if (m_dropList)
        m_dropList->ListBox()->viewport()->update();
    return true;
}

bool CCustomComboBox::SetCurSel(int index)
{
    if (index < -1 || index >= GetCount())
        return false;
    m_selected = index;
    update();
    if (m_dropList)
        m_dropList->ListBox()->viewport()->update();
    return true;
}

QString CCustomComboBox::GetSelectedText() const
{
    return GetItemText(m_selected);
}

void CCustomComboBox::SetPlaceholderText(const QString& text)
{
    m_placeholder = text;
    update();
}

void CCustomComboBox::UseTemplateDialogStyle()
{
    SetStyle(ComboStyle::TemplateDialog());
    SetTextFont(SkinFontPoints(8, 400));
    SetArrowImage(SkinPath(QStringLiteral("combox_down.png")));
}

void CCustomComboBox::SetStyle(const ComboStyle& style)
{
    m_style = style;
    update();
}

void CCustomComboBox::SetFieldHeight(int pixels)
{
    m_style.fieldHeight = pixels;
    resize(width(), pixels);
    update();
}

void CCustomComboBox::SetItemHeight(int pixels)
{
    m_style.itemHeight = pixels > 0 ? pixels : 1;
    if (m_dropList)
        m_dropList->ListBox()->UpdateRange();
}

void CCustomComboBox::SetTextFont(const QFont& font)
{
    m_font = font;
    update();
}

void CCustomComboBox::SetArrowImages(const QString& normal, const QString& hot,
                                     const QString& disabled)
{
    m_arrow[0] = LoadSkinImage(normal);
    m_arrow[1] = LoadSkinImage(hot);
    m_arrow[2] = LoadSkinImage(disabled);
    update();
}

void CCustomComboBox::SetIcons(const std::vector<QImage>& icons)
{
    m_icons = icons;
    update();
}

QImage CCustomComboBox::Icon(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_icons.size()))
        return {};
    return m_icons[static_cast<size_t>(index)];
}

void CCustomComboBox::ShowDropDown(bool show)
{
    if (!show) {
        if (m_dropList && m_dropList->isVisible())
            m_dropList->hide();
        return;
    }
    if (!isEnabled() || IsDroppedDown())
        return;
    if (!m_dropList)
        m_dropList = new CDropListWnd(this);
    m_dropList->Popup();
    update();
}

bool CCustomComboBox::IsDroppedDown() const
{
    return m_dropList && m_dropList->isVisible();
}

QSize CCustomComboBox::sizeHint() const
{
    return {180, m_style.fieldHeight};
}

void CCustomComboBox::ChooseFromList(int index)
{
    const Item* item = ItemAt(index);
    if (!item || !item->enabled)
        return;
    ShowDropDown(false);
    const bool changed = index != m_selected;
    SetCurSel(index);
    if (changed)
        emit SelectionChanged(index);
}

void CCustomComboBox::DropListClosed()
{
    update();
}

void CCustomComboBox::StepSelection(int step)
{
    int index = m_selected;
    for (int i = 0; i < GetCount(); ++i) {
        index += step;
        if (index < 0 || index >= GetCount())
            return;
        if (m_items[static_cast<size_t>(index)].enabled) {
            SetCurSel(index);
            emit SelectionChanged(index);
            return;
        }
    }
}

void CCustomComboBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool hot = m_hovered || IsDroppedDown();

    // The corners outside the rounded field stay the parent's pixels.
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_style.fieldFill);
    painter.drawRoundedRect(box, m_style.fieldRadius, m_style.fieldRadius);

    const int arrowWidth = std::min(m_style.arrowWidth, width());
    const QRect arrowArea(width() - arrowWidth, 0, arrowWidth, height());
    const QImage& arrow = !isEnabled() ? m_arrow[2] : (hot ? m_arrow[1] : m_arrow[0]);
    if (!arrow.isNull()) {
        painter.save();
        painter.setClipRect(arrowArea);
        const QPoint at(arrowArea.left() + (arrowArea.width() - arrow.width()) / 2,
                        arrowArea.top() + (arrowArea.height() - arrow.height()) / 2);
        painter.drawImage(at, arrow);
        painter.restore();
    } else {
        painter.setPen(QPen(m_style.borderNormal, 1));
        painter.drawLine(QPointF(arrowArea.left() + 0.5, 4),
                         QPointF(arrowArea.left() + 0.5, height() - 4));
        const QPointF centre = QRectF(arrowArea).center();
        QPainterPath triangle;
        triangle.moveTo(centre.x() - 4, centre.y() - 2);
        triangle.lineTo(centre.x() + 4, centre.y() - 2);
        triangle.lineTo(centre.x(), centre.y() + 3);
        triangle.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(isEnabled() ? m_style.itemText : m_style.disabledText);
        painter.drawPath(triangle);
    }

    const bool none = m_selected < 0;
    const QString shown = none ? m_placeholder : GetSelectedText();
    if (!shown.isEmpty()) {
        painter.setFont(m_font);
        QColor colour = none ? m_style.placeholderText : m_style.itemText;
        if (!isEnabled())
            colour = m_style.disabledText;
        painter.setPen(colour);
        const QRect textArea(8, 0, std::max(0, arrowArea.left() - 8 - 2), height());
        const QString elided =
            painter.fontMetrics().elidedText(shown, Qt::ElideRight, textArea.width());
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, elided);
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(hot ? m_style.borderHot : m_style.borderNormal, 1));
    painter.drawRoundedRect(box, m_style.fieldRadius, m_style.fieldRadius);
}

void CCustomComboBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    ShowDropDown(!IsDroppedDown());
    event->accept();
}

void CCustomComboBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
        case Qt::Key_Up:
            if (event->modifiers() & Qt::AltModifier)
                ShowDropDown(false);
            else
                StepSelection(-1);
            break;
        case Qt::Key_Down:
            if (event->modifiers() & Qt::AltModifier)
                ShowDropDown(true);
            else
                StepSelection(1);
            break;
        case Qt::Key_F4:
        case Qt::Key_Space:
            ShowDropDown(!IsDroppedDown());
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CCustomComboBox::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void CCustomComboBox::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}

void CCustomComboBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            ShowDropDown(false);
        update();
    }
    QWidget::changeEvent(event);
}

}  // namespace kestrune
