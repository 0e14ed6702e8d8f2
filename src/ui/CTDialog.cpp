#include "CTDialog.h"

#include "SkinImage.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace kestrune {

CTDialog::CTDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    // QDialog turns "no window type" into a dialog window; a page embedded in
    // another window asks for exactly that, so give it the plain child it wants.
    if ((flags & Qt::WindowType_Mask) == Qt::Widget)
        setWindowFlags(flags);
}

CTDialog::~CTDialog() = default;

void CTDialog::SetBackgroundImage(const QString& path)
{
    SetBackgroundImage(LoadSkinImage(path));
}

void CTDialog::SetBackgroundImage(const QImage& image)
{
    m_background =
        image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    update();
}

void CTDialog::ClearBackgroundImage()
{
    m_background = QImage();
    update();
}

void CTDialog::SetFillBackground(bool fill)
{
    m_fill = fill;
    update();
}

void CTDialog::SetBackgroundColor(const QColor& colour)
{
    m_colour = colour;
    update();
}

void CTDialog::SetDragAnywhere(bool drag)
{
    m_drag = drag;
    if (!drag)
        m_dragging = false;
}

void CTDialog::SetRoundedCorners(int width, int height)
{
    m_cornerWidth = width;
    m_cornerHeight = height;
    UpdateWindowRegion();
}

void CTDialog::UpdateWindowRegion()
{
    if (!HasRoundedCorners() || width() <= 0 || height() <= 0) {
        clearMask();
        return;
    }
    // A 1-bit mask: the rounded rectangle the window keeps, like a window region.
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter painter(&mask);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRoundedRect(QRectF(0, 0, width(), height()), m_cornerWidth / 2.0,
                            m_cornerHeight / 2.0);
    painter.end();
    setMask(mask);
}

void CTDialog::paintEvent(QPaintEvent* event)
{
    if (!m_background.isNull() || m_fill) {
        QPainter painter(this);
        if (!m_background.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(rect(), m_background);
        } else {
            painter.fillRect(rect(), m_colour);
        }
    }
    QDialog::paintEvent(event);
}

void CTDialog::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape would close the dialog or press its default button;
    // the operator has to click a button instead.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void CTDialog::mousePressEvent(QMouseEvent* event)
{
    if (m_drag && event->button() == Qt::LeftButton) {
        QWidget* top = window();
        // Let the window manager move the window where it can (as a title bar
        // grab would); otherwise follow the mouse ourselves.
        if (QWindow* handle = top->windowHandle(); handle && handle->startSystemMove()) {
            event->accept();
            return;
        }
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - top->frameGeometry().topLeft();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CTDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CTDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CTDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (HasRoundedCorners())
        UpdateWindowRegion();
}

void CTDialog::showEvent(QShowEvent* event)
{
    // A size set while hidden reaches resizeEvent late or not at all.
    if (HasRoundedCorners())
        UpdateWindowRegion();
    QDialog::showEvent(event);
}

}  // namespace kestrune
