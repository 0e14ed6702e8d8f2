#include "CTStaticGdiplus.h"

#include "SkinFont.h"
#include "SkinImage.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace kestrune {

CTStaticGdiplus::CTStaticGdiplus(QWidget* parent) : CTStaticGdiplus(QString(), parent) {}

CTStaticGdiplus::CTStaticGdiplus(const QString& text, QWidget* parent)
    : QWidget(parent), m_text(text), m_font(SkinFont(15, 0))
{
    setWindowTitle(text);
}

CTStaticGdiplus::~CTStaticGdiplus() = default;

void CTStaticGdiplus::SetText(const QString& text)
{
    m_text = text;
    setWindowTitle(text);
    update();
}

void CTStaticGdiplus::SetTextColor(const QColor& colour)
{
    m_colours = {colour, colour, colour, colour};
    update();
}

void CTStaticGdiplus::SetTextColors(const QColor& normal, const QColor& hover,
                                    const QColor& pressed, const QColor& disabled)
{
    m_colours = {normal, hover, pressed, disabled};
    update();
}

void CTStaticGdiplus::SetTextFont(int pixelHeight, int weight, bool italic, bool underline,
                                  const QString& face)
{
    QFont font = SkinFont(pixelHeight, weight, face);
    font.setItalic(italic);
    font.setUnderline(underline);
    SetTextFont(font);
}

void CTStaticGdiplus::SetTextFont(const QFont& font)
{
    m_font = font;
    update();
}

void CTStaticGdiplus::SetAlignment(int value)
{
    m_alignment = value;
    update();
}

void CTStaticGdiplus::SetFillBackground(bool fill, const QColor& colour)
{
    m_fill = fill;
    m_fillColour = colour;
    update();
}

void CTStaticGdiplus::SetBackgroundImages(const QString& normal, const QString& hover,
                                          const QString& pressed, const QString& disabled)
{
    const QString paths[4] = {normal, hover, pressed, disabled};
    for (int i = 0; i < 4; ++i)
        m_images[i] = LoadSkinImage(paths[i]);
    update();
}

void CTStaticGdiplus::SetBackgroundImage(State state, const QImage& image)
{
    m_images[static_cast<int>(state)] = image;
    update();
}

void CTStaticGdiplus::SetLineSpacing(int pixels)
{
    m_lineSpacing = pixels;
    update();
}

CTStaticGdiplus::State CTStaticGdiplus::CurrentState() const
{
    if (!isEnabled())
        return State::Disabled;
    if (m_hovered && m_pressed)
        return State::Pressed;
    if (m_hovered)
        return State::Hover;
    return State::Normal;
}

QColor CTStaticGdiplus::CurrentTextColor() const
{
    return m_colours[static_cast<int>(CurrentState())];
}

const QImage* CTStaticGdiplus::CurrentImage() const
{
    const QImage* chosen = nullptr;
    switch (CurrentState()) {
        case State::Disabled:
            chosen = &m_images[3];
            break;
        case State::Pressed:
            chosen = !m_images[2].isNull() ? &m_images[2] : &m_images[1];
            break;
        case State::Hover:
            chosen = &m_images[1];
            break;
        case State::Normal:
            chosen = &m_images[0];
            break;
    }
    if (chosen->isNull())
        chosen = &m_images[0];
    return chosen->isNull() ? nullptr : chosen;
}

std::vector<CTStaticGdiplus::Line> CTStaticGdiplus::LayoutLines() const
{
    std::vector<Line> lines;
    if (m_text.isEmpty())
        return lines;
    const QFontMetricsF metrics(m_font);
    const qreal lineHeight = metrics.height();
    const qreal available = std::max(1, width());

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QStringList paragraphs = m_text.split(QLatin1Char('\n'));
    std::vector<QString> texts;
    for (QString paragraph : paragraphs) {
        if (paragraph.endsWith(QLatin1Char('\r')))
            paragraph.chop(1);
        if (paragraph.isEmpty()) {
            texts.emplace_back();
            continue;
        }
        QTextLayout layout(paragraph, m_font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(available);
            texts.push_back(paragraph.mid(line.textStart(), line.textLength()));
        }
        layout.endLayout();
    }

    const qreal count = static_cast<qreal>(texts.size());
    const qreal block = count * lineHeight + (count - 1) * m_lineSpacing;
    qreal top = 0;
    int horizontal = 0;  // 0 left, 1 centre, 2 right
    switch (m_alignment) {
        case kAlignLeftCenter:
            top = (height() - block) / 2;
            break;
        case kAlignCenter:
            horizontal = 1;
            top = (height() - block) / 2;
            break;
        case kAlignRightCenter:
            horizontal = 2;
            top = (height() - block) / 2;
            break;
        case kAlignRightTop:
            horizontal = 2;
            break;
        case kAlignCenterTop:
            horizontal = 1;
            break;
        case kAlignCenterBottom:
            horizontal = 1;
            top = height() - block;
            break;
        case kAlignLeftBottom:
            top = height() - block;
            break;
        default:
            break;
    }
    top = std::max<qreal>(0, top);
    for (size_t i = 0; i < texts.size(); ++i) {
        QString shown = texts[i];
        while (!shown.isEmpty() && shown.back().isSpace())
            shown.chop(1);
        const qreal lineWidth = metrics.horizontalAdvance(shown);
        qreal left = 0;
        if (horizontal == 1)
            left = (width() - lineWidth) / 2;
        else if (horizontal == 2)
            left = width() - lineWidth;
        left = std::max<qreal>(0, left);
        const qreal y = top + static_cast<qreal>(i) * (lineHeight + m_lineSpacing);
        lines.push_back({shown, QRectF(left, y, lineWidth, lineHeight)});
    }
    return lines;
}

void CTStaticGdiplus::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (const QImage* image = CurrentImage()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), *image);
    } else if (m_fill) {
        painter.fillRect(rect(), m_fillColour);
    }
    if (m_text.isEmpty())
        return;
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_font);
    painter.setPen(CurrentTextColor());
    const qreal ascent = QFontMetricsF(m_font).ascent();
    for (const Line& line : LayoutLines())
        painter.drawText(QPointF(line.box.left(), line.box.top() + ascent), line.text);
}

void CTStaticGdiplus::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void CTStaticGdiplus::leaveEvent(QEvent* event)
{
    m_hovered = false;
    m_pressed = false;
    update();
    QWidget::leaveEvent(event);
}

void CTStaticGdiplus::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        update();
    }
    // Left to the parent as well, so a dialog can still be dragged by its labels.
    event->ignore();
}

void CTStaticGdiplus::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        update();
    }
    event->ignore();
}

void CTStaticGdiplus::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

}  // namespace kestrune
