#pragma once

#include <QWidget>

namespace kestrune {

class CCustomComboBox;
class CDropListBoxWnd;

// The frame of a dropped list: a borderless popup with a drop shadow and
// rounded corners in the combo's hot border colour, holding the list.
class CDropListWnd : public QWidget {
    Q_OBJECT
public:
    // Width of the soft shadow around the frame.
    static constexpr int kShadow = 4;
    // Gap between the frame and the list inside it.
    static constexpr int kInset = 2;

    explicit CDropListWnd(CCustomComboBox* combo);
    ~CDropListWnd() override;

    CDropListBoxWnd* ListBox() const { return m_list; }
    CCustomComboBox* Combo() const { return m_combo; }

    // Sizes the popup for the combo's items and shows it below the combo
    // (above it when there is no room below).
    void Popup();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    CCustomComboBox* m_combo;
    CDropListBoxWnd* m_list;
};

}  // namespace kestrune
