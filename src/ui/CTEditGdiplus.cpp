#include "CTEditGdiplus.h"

#include "SkinFont.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace kestrune {

CTEditGdiplus::CTEditGdiplus(QWidget* parent) : QLineEdit(parent)
{
    setFrame(false);
    setTextMargins(6, 0, 6, 0);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAttribute(Qt::WA_Hover, false);
    QLineEdit::setFont(SkinFontPoints(10));
    connect(this, &QLineEdit::textChanged, this, &CTEditGdiplus::OnTextChanged);
    ApplyColours();
}

CTEditGdiplus::~CTEditGdiplus() = default;

void CTEditGdiplus::UseDialogStyle()
{
    m_textColour = QColor(0, 0, 0);
    m_background = QColor(255, 255, 255);
    m_border[0] = QColor(213, 213, 220);
    m_border[1] = QColor(216, 34, 40);
    m_border[2] = QColor(216, 34, 40);
    m_border[3] = QColor(0, 0, 0);
    QLineEdit::setFont(SkinFontPoints(9.6));
    ApplyColours();
}

void CTEditGdiplus::SetTextColor(const QColor& colour)
{
    m_textColour = colour;
    ApplyColours();
}

void CTEditGdiplus::SetBackgroundColor(const QColor& colour)
{
    m_background = colour;
    update();
}

void CTEditGdiplus::SetReadOnlyBackgroundColor(const QColor& colour)
{
    m_readOnlyBackground = colour;
    update();
}

void CTEditGdiplus::SetBorderColors(const QColor& normal, const QColor& hover,
                                    const QColor& focused, const QColor& disabled)
{
    m_border[0] = normal;
    m_border[1] = hover;
    m_border[2] = focused;
    m_border[3] = disabled;
    update();
}

QColor CTEditGdiplus::BorderColor(State state) const
{
    return m_border[static_cast<int>(state)];
}

void CTEditGdiplus::SetBorder(bool on)
{
    m_borderOn = on;
    update();
}

void CTEditGdiplus::SetTextFont(const QFont& font)
{
    QLineEdit::setFont(font);
    update();
}

void CTEditGdiplus::SetHintText(const QString& hint)
{
    m_hint = hint;
    if (m_hintShowing || (!m_focused && !hasFocus() && !m_hasText && QLineEdit::text().isEmpty()))
        ShowHint();
    ApplyMaxLength();
}

void CTEditGdiplus::SetHintText(const QString& hint, const QColor& colour)
{
    m_hintColour = colour;
    SetHintText(hint);
    ApplyColours();
}

void CTEditGdiplus::SetMaxLength(int length)
{
    m_maxLength = length > 0 ? length : 32767;
    ApplyMaxLength();
}

void CTEditGdiplus::ApplyMaxLength()
{
    // The hint is not the operator's text: it must not be cut by the limit.
    const int limit =
        m_hintShowing ? std::max<int>(m_maxLength, static_cast<int>(m_hint.size())) : m_maxLength;
    QLineEdit::setMaxLength(limit);
}

void CTEditGdiplus::EnableChangeNotice(QObject* target, int id)
{
    m_noticeTarget = target;
    m_noticeId = id;
    m_notice = true;
}

void CTEditGdiplus::DisableChangeNotice()
{
    m_notice = false;
    m_noticeTarget = nullptr;
}

CTEditGdiplus::State CTEditGdiplus::CurrentState() const
{
    if (!isEnabled())
        return State::Disabled;
    if (m_focused)
        return State::Focused;
    if (m_hovered)
        return State::Hover;
    return State::Normal;
}

void CTEditGdiplus::ShowHint()
{
    m_settingHint = true;
    m_hintShowing = !m_hint.isEmpty();
    ApplyMaxLength();
    QLineEdit::setText(m_hint);
    m_settingHint = false;
    m_hasText = false;
    ApplyColours();
}

void CTEditGdiplus::OnTextChanged(const QString& text)
{
    if (!m_settingHint) {
        // Any other change is real text (typed or set by code).
        if (m_hintShowing) {
            m_hintShowing = false;
            ApplyMaxLength();
            ApplyColours();
        }
        m_hasText = !text.isEmpty();
    }
    update();
    if (m_notice) {
        if (m_noticeTarget)
            QCoreApplication::postEvent(m_noticeTarget, new EditChangeNoticeEvent(m_noticeId));
        emit ChangeNotice(m_noticeId);
    }
}

void CTEditGdiplus::ApplyColours()
{
    QPalette pal = palette();
    const QColor text = (m_hintShowing && !m_focused) ? m_hintColour : m_textColour;
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::Base, Qt::transparent);
    setPalette(pal);
    update();
}

void CTEditGdiplus::focusInEvent(QFocusEvent* event)
{
    m_focused = true;
    if (m_hintShowing) {
        m_settingHint = true;
        QLineEdit::setText(QString());
        m_settingHint = false;
        m_hintShowing = false;
        m_hasText = false;
        ApplyMaxLength();
    }
    ApplyColours();
    QLineEdit::focusInEvent(event);
}

void CTEditGdiplus::focusOutEvent(QFocusEvent* event)
{
    m_focused = false;
    if (QLineEdit::text().isEmpty() && !m_hint.isEmpty())
        ShowHint();
    ApplyColours();
    QLineEdit::focusOutEvent(event);
}

void CTEditGdiplus::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QLineEdit::enterEvent(event);
}

void CTEditGdiplus::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QLineEdit::leaveEvent(event);
}

void CTEditGdiplus::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::ReadOnlyChange)
        update();
    QLineEdit::changeEvent(event);
}

void CTEditGdiplus::paintEvent(QPaintEvent* event)
{
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(isReadOnly() || !isEnabled() ? m_readOnlyBackground : m_background);
        painter.drawRoundedRect(box, 4, 4);
    }
    QLineEdit::paintEvent(event);
    if (!m_borderOn)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(BorderColor(CurrentState()), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box, 4, 4);
}

}  // namespace kestrune
