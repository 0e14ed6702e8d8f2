#include "CColorLine.h"

#include <QPainter>

namespace kestrune {

CColorLine::CColorLine(QWidget* parent) : QWidget(parent) {}

CColorLine::CColorLine(const QColor& colour, QWidget* parent) : QWidget(parent), m_colour(colour) {}

CColorLine::~CColorLine() = default;

void CColorLine::SetColor(const QColor& colour)
{
    m_colour = colour;
    update();
}

void CColorLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(QRect(0, height() / 2, width(), 1), m_colour);
}

}  // namespace kestrune
