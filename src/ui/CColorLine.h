#pragma once

#include <QColor>
#include <QWidget>

namespace kestrune {

// A one-pixel horizontal separator across the middle of its area.
class CColorLine : public QWidget {
    Q_OBJECT
public:
    explicit CColorLine(QWidget* parent = nullptr);
    CColorLine(const QColor& colour, QWidget* parent = nullptr);
    ~CColorLine() override;

    void SetColor(const QColor& colour);
    QColor Color() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour{128, 128, 128};
};

}  // namespace kestrune
