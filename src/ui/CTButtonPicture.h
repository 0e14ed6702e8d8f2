#pragma once

#include <QColor>
#include <QImage>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <array>

namespace kestrune {

// A push button drawn from four state images with a caption over them.
// Clicks arrive through QPushButton's clicked() signal.
class CTButtonPicture : public QPushButton {
    Q_OBJECT
public:
    enum class State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };
    enum class TextAlign {
        LeftVCenter,   // left, vertically centred
        RightVCenter,  // right, vertically centred
        Center,        // centred both ways (default)
        TopCenter,     // centred at the top
        BottomLeft,    // left at the bottom
        BottomCenter,  // centred at the bottom
    };

    explicit CTButtonPicture(QWidget* parent = nullptr);
    CTButtonPicture(const QString& text, QWidget* parent = nullptr);
    ~CTButtonPicture() override;

    // Loads all four images at once; a path that does not load leaves that
    // state without an image.
    void SetImages(const QString& normal, const QString& hover, const QString& pressed,
                   const QString& disabled);
    // One image for every state.
    void SetImage(const QString& path) { SetImages(path, path, path, path); }
    void SetStateImage(State state, const QImage& image);
    bool HasImage(State state) const;
    QImage StateImage(State state) const;

    // Caption colours: normal; hover and pressed; disabled. All white by default.
    void SetTextColors(const QColor& normal, const QColor& hoverPressed, const QColor& disabled);
    QColor TextColor(State state) const;

    // Caption font, pixel height and 0..1000 weight (default YaHei, 0, 16 px).
    void SetTextFont(int pixelHeight, int weight = 0, const QString& face = QString());
    QFont TextFont() const { return m_font; }

    void SetTextAlign(TextAlign align);
    TextAlign GetTextAlign() const { return m_align; }

    // The state the next paint draws.
    State CurrentState() const;
    bool IsHovered() const { return m_hovered; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void StartHover();
    void EndHover();
    void CheckHover();

    std::array<QImage, 4> m_images;
    std::array<QColor, 3> m_textColours{QColor(255, 255, 255), QColor(255, 255, 255),
                                        QColor(255, 255, 255)};
    QFont m_font;
    TextAlign m_align = TextAlign::Center;
    bool m_hovered = false;
    QTimer m_hoverTimer;
};

}  // namespace kestrune
