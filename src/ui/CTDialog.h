#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>

namespace kestrune {

// Base of every dialog and page: paints its own background (a stretched
// image, or a colour fill), can be dragged by its background, gives itself
// rounded corners, and never lets Enter or Escape close it.
//
// As a top-level dialog it is frameless; a page placed inside another window
// passes Qt::Widget as flags.
class CTDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTDialog(QWidget* parent = nullptr,
                      Qt::WindowFlags flags = Qt::Dialog | Qt::FramelessWindowHint);
    ~CTDialog() override;

    // Image stretched over the whole client area; a path that does not load
    // leaves the dialog without an image.
    void SetBackgroundImage(const QString& path);
    void SetBackgroundImage(const QImage& image);
    void ClearBackgroundImage();
    bool HasBackgroundImage() const { return !m_background.isNull(); }

    // Colour fill used when there is no image (off by default).
    void SetFillBackground(bool fill);
    bool FillBackground() const { return m_fill; }
    void SetBackgroundColor(const QColor& colour);
    QColor BackgroundColor() const { return m_colour; }

    // Pressing the left button on the dialog's own background moves the window.
    void SetDragAnywhere(bool drag);
    bool DragAnywhere() const { return m_drag; }

    // Gives the window rounded corners (ellipse of width x height pixels)
    // computed from its current size, and keeps them on every resize.
    void SetRoundedCorners(int width = 8, int height = 8);
    // Recomputes the rounded mask from the current size now.
    void UpdateWindowRegion();
    bool HasRoundedCorners() const { return m_cornerWidth > 0 && m_cornerHeight > 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QImage m_background;
    QColor m_colour{255, 255, 255};
    bool m_fill = false;
    bool m_drag = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
    int m_cornerWidth = 0;
    int m_cornerHeight = 0;
};

}  // namespace kestrune
