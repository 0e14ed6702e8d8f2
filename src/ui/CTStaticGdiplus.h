#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <vector>

namespace kestrune {

// A static text with its own font, colours per state, optional background
// images or fill, and line breaking at line feeds and at its width.
class CTStaticGdiplus : public QWidget {
    Q_OBJECT
    // "text" so window-wide translation can read and set it like a label's.
    Q_PROPERTY(QString text READ Text WRITE SetText)
public:
    enum class State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

    // Alignment values: 5 left/centre (default), 4 centre/centre, 6
    // right/centre, 1 right/top, 7 centre/top, 8 centre (left when too
    // wide)/bottom, 3 left/bottom, anything else left/top.
    static constexpr int kAlignLeftCenter = 5;
    static constexpr int kAlignCenter = 4;
    static constexpr int kAlignRightCenter = 6;
    static constexpr int kAlignRightTop = 1;
    static constexpr int kAlignCenterTop = 7;
    static constexpr int kAlignCenterBottom = 8;
    static constexpr int kAlignLeftBottom = 3;
    static constexpr int kAlignLeftTop = 0;

    explicit CTStaticGdiplus(QWidget* parent = nullptr);
    CTStaticGdiplus(const QString& text, QWidget* parent = nullptr);
    ~CTStaticGdiplus() override;

    // Stores the text, makes it the window text and repaints.
    void SetText(const QString& text);
    QString Text() const { return m_text; }

    void SetTextColor(const QColor& colour);  // every state
    void SetTextColors(const QColor& normal, const QColor& hover, const QColor& pressed,
                       const QColor& disabled);
    QColor TextColor(State state) const { return m_colours[static_cast<int>(state)]; }

    // Pixel height and 0..1000 weight, default YaHei 15 px, weight 0.
    void SetTextFont(int pixelHeight, int weight = 0, bool italic = false, bool underline = false,
                     const QString& face = QString());
    void SetTextFont(const QFont& font);
    QFont TextFont() const { return m_font; }

    void SetAlignment(int value);
    int Alignment() const { return m_alignment; }

    void SetFillBackground(bool fill, const QColor& colour = QColor(255, 255, 255));

    // Up to four background images stretched to the static (empty path: none).
    void SetBackgroundImages(const QString& normal, const QString& hover = QString(),
                             const QString& pressed = QString(),
                             const QString& disabled = QString());
    void SetBackgroundImage(State state, const QImage& image);

    // Extra pixels between wrapped lines.
    void SetLineSpacing(int pixels);

    State CurrentState() const;
    QColor CurrentTextColor() const;

    // Where each line of the text is drawn (top left of the line box) and
    // the lines themselves, as the next paint lays them out.
    struct Line {
        QString text;
        QRectF box;
    };
    std::vector<Line> LayoutLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const QImage* CurrentImage() const;

    QString m_text;
    std::array<QColor, 4> m_colours{QColor(112, 112, 112), QColor(112, 112, 112),
                                    QColor(112, 112, 112), QColor(112, 112, 112)};
    std::array<QImage, 4> m_images;
    QFont m_font;
    int m_alignment = kAlignLeftCenter;
    bool m_fill = false;
    QColor m_fillColour{255, 255, 255};
    int m_lineSpacing = 0;
    bool m_hovered = false;
    bool m_pressed = false;
};

}  // namespace kestrune
