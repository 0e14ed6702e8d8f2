#include "CTButtonPicture.h"

#include "SkinFont.h"
#include "SkinImage.h"

#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kestrune {

CTButtonPicture::CTButtonPicture(QWidget* parent) : CTButtonPicture(QString(), parent) {}

CTButtonPicture::CTButtonPicture(const QString& text, QWidget* parent)
    : QPushButton(text, parent), m_font(SkinFont(16, 0))
{
    // Never a default button: Enter must not press it.
    setAutoDefault(false);
    setDefault(false);
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
    m_hoverTimer.setInterval(10);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CTButtonPicture::CheckHover);
}

CTButtonPicture::~CTButtonPicture() = default;

void CTButtonPicture::SetImages(const QString& normal, const QString& hover, const QString& pressed,
                                const QString& disabled)
{
    const QString paths[4] = {normal, hover, pressed, disabled};
    for (int i = 0; i < 4; ++i) {
        const QImage image = LoadSkinImage(paths[i]);
        m_images[i] =
            image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    update();
}

void CTButtonPicture::SetStateImage(State state, const QImage& image)
{
    m_images[static_cast<int>(state)] =
        image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    update();
}

bool CTButtonPicture::HasImage(State state) const
{
    return !m_images[static_cast<int>(state)].isNull();
}

QImage CTButtonPicture::StateImage(State state) const
{
    return m_images[static_cast<int>(state)];
}

void CTButtonPicture::SetTextColors(const QColor& normal, const QColor& hoverPressed,
                                    const QColor& disabled)
{
    m_textColours = {normal, hoverPressed, disabled};
    update();
}

QColor CTButtonPicture::TextColor(State state) const
{
    switch (state) {
        case State::Normal:
            return m_textColours[0];
        case State::Hover:
        case State::Pressed:
            return m_textColours[1];
        case State::Disabled:
            break;
    }
    return m_textColours[2];
}

void CTButtonPicture::SetTextFont(int pixelHeight, int weight, const QString& face)
{
    m_font = SkinFont(pixelHeight, weight, face);
    update();
}

void CTButtonPicture::SetTextAlign(TextAlign align)
{
    m_align = align;
    update();
}

CTButtonPicture::State CTButtonPicture::CurrentState() const
{
    if (!isEnabled())
        return State::Disabled;
    if (isDown())
        return State::Pressed;
    if (m_hovered)
        return State::Hover;
    return State::Normal;
}

QSize CTButtonPicture::sizeHint() const
{
    if (!m_images[0].isNull())
        return m_images[0].size();
    return QPushButton::sizeHint();
}

void CTButtonPicture::paintEvent(QPaintEvent*)
{
    // Not opaque: the parent's pixels under the button are already in the
    // backing store, so drawing starts from them.
    QPainter painter(this);
    const State state = CurrentState();
    const QImage& image = m_images[static_cast<int>(state)];
    if (!image.isNull()) {
        if (width() < image.width() || height() < image.height()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(rect(), image);
        } else {
            painter.drawImage(QPoint(0, 0), image);
        }
    }
    const QString caption = text();
    if (caption.isEmpty())
        return;
    painter.setFont(m_font);
    painter.setPen(TextColor(state));
    QRect area = rect();
    int flags = Qt::TextSingleLine;
    switch (m_align) {
        case TextAlign::LeftVCenter:
            area.adjust(2, 0, 0, 0);
            flags |= Qt::AlignLeft | Qt::AlignVCenter;
            break;
        case TextAlign::RightVCenter:
            area.adjust(0, 0, -2, 0);
            flags |= Qt::AlignRight | Qt::AlignVCenter;
            break;
        case TextAlign::Center:
            flags |= Qt::AlignCenter;
            break;
        case TextAlign::TopCenter:
            flags |= Qt::AlignHCenter | Qt::AlignTop;
            break;
        case TextAlign::BottomLeft:
            area.adjust(2, 0, 0, 0);
            flags |= Qt::AlignLeft | Qt::AlignBottom;
            break;
        case TextAlign::BottomCenter:
            flags |= Qt::AlignHCenter | Qt::AlignBottom;
            break;
    }
    painter.drawText(area, flags, caption);
}

void CTButtonPicture::StartHover()
{
    if (m_hovered || !isEnabled())
        return;
    m_hovered = true;
    update();
    m_hoverTimer.start();
}

void CTButtonPicture::EndHover()
{
    m_hoverTimer.stop();
    if (!m_hovered)
        return;
    m_hovered = false;
    update();
}

void CTButtonPicture::CheckHover()
{
    // The pointer may leave without a leave event reaching us (a popup, a
    // window move); the 10 ms check catches that.
    if (!isVisible() || !rect().contains(mapFromGlobal(QCursor::pos())))
        EndHover();
}

void CTButtonPicture::enterEvent(QEnterEvent* event)
{
    StartHover();
    QPushButton::enterEvent(event);
}

void CTButtonPicture::leaveEvent(QEvent* event)
{
    EndHover();
    QPushButton::leaveEvent(event);
}

void CTButtonPicture::mouseMoveEvent(QMouseEvent* event)
{
    if (rect().contains(event->position().toPoint()))
        StartHover();
    QPushButton::mouseMoveEvent(event);
}

void CTButtonPicture::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        EndHover();
    QPushButton::changeEvent(event);
}

void CTButtonPicture::keyPressEvent(QKeyEvent* event)
{
    // A focused button ignores Enter like the rest of the dialog does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QPushButton::keyPressEvent(event);
}

}  // namespace kestrune
