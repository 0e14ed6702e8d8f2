#pragma once

#include <QColor>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QString>

namespace kestrune {

// The notice an edit posts to its target window when its text changes
// (event type 4024; Id() is the identifier given to EnableChangeNotice).
class EditChangeNoticeEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(4024);
    explicit EditChangeNoticeEvent(int id) : QEvent(kType), m_id(id) {}
    int Id() const { return m_id; }

private:
    int m_id;
};

// A single-line field with its own rounded border in the colour of its
// state and an optional hint text. While the field is empty and unfocused
// the hint is its actual text, so code reading text() sees the hint.
class CTEditGdiplus : public QLineEdit {
    Q_OBJECT
public:
    enum class State { Normal, Hover, Focused, Disabled };

    explicit CTEditGdiplus(QWidget* parent = nullptr);
    ~CTEditGdiplus() override;

    // The values the program's dialogs use: 9.6 pt font, border
    // RGB(213,213,220), red on hover and focus, black when disabled.
    void UseDialogStyle();

    void SetTextColor(const QColor& colour);
    void SetBackgroundColor(const QColor& colour);
    void SetReadOnlyBackgroundColor(const QColor& colour);
    void SetBorderColors(const QColor& normal, const QColor& hover, const QColor& focused,
                         const QColor& disabled);
    QColor BorderColor(State state) const;
    void SetBorder(bool on);
    void SetTextFont(const QFont& font);

    // Hint text and its colour (default RGB(192,192,192)). When the field is
    // empty and unfocused at this call the hint goes in at once.
    void SetHintText(const QString& hint);
    void SetHintText(const QString& hint, const QColor& colour);
    QString HintText() const { return m_hint; }
    bool IsHintShowing() const { return m_hintShowing; }

    // Maximum number of characters the operator may type.
    void SetMaxLength(int length);

    // Posts EditChangeNoticeEvent(id) to target on every text change, and
    // emits ChangeNotice(id).
    void EnableChangeNotice(QObject* target, int id);
    void DisableChangeNotice();

    // Whether the field holds text of its own (not the hint).
    bool HasText() const { return m_hasText; }

    // The state the border is drawn in.
    State CurrentState() const;

signals:
    void ChangeNotice(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnTextChanged(const QString& text);
    void ShowHint();
    void ApplyColours();
    void ApplyMaxLength();

    QColor m_textColour{0, 0, 0};
    QColor m_background{255, 255, 255};
    QColor m_readOnlyBackground{222, 222, 222};
    QColor m_border[4] = {QColor(102, 102, 153), QColor(0, 176, 88), QColor(255, 163, 132),
                          QColor(96, 96, 96)};
    QColor m_hintColour{192, 192, 192};
    QString m_hint;
    bool m_borderOn = true;
    bool m_hintShowing = false;
    bool m_settingHint = false;
    bool m_hovered = false;
    bool m_focused = false;
    bool m_hasText = false;
    int m_maxLength = 32767;
    QPointer<QObject> m_noticeTarget;
    int m_noticeId = 0;
    bool m_notice = false;
};

}  // namespace kestrune
