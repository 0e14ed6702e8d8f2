#pragma once

#include "CDropListWnd.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

namespace kestrune {

// Colours and sizes of a skinned drop-down list.
struct ComboStyle {
    int fieldHeight = 30;
    int itemHeight = 32;
    QColor listBackground{255, 255, 255};
    QColor highlightFill{235, 244, 255};
    QColor highlightText{20, 80, 200};  // also the tick
    QColor itemText{50, 50, 50};
    QColor fieldFill{255, 255, 255};
    QColor borderNormal{200, 200, 200};
    QColor borderHot{255, 128, 31};  // hovered or dropped; frame of the dropped list
    QColor disabledText{180, 180, 180};
    QColor placeholderText{190, 190, 190};
    QColor separator{235, 235, 235};
    int fieldRadius = 5;  // field and highlight
    int listRadius = 6;   // frame of the dropped list
    int arrowWidth = 24;
    int iconSize = 18;  // tick and item icons
    int maxVisibleItems = 8;

    // The look of the template loading dialog: 24-pixel field, 20-pixel
    // items, red accents, 16 x 16 ticks.
    static ComboStyle TemplateDialog();
};

// An owner-drawn drop-down list. Items are (text, icon index or -1, value,
// enabled) in insertion order; at most one is selected (-1: none, the
// placeholder shows).
class CCustomComboBox : public QWidget {
    Q_OBJECT
public:
    struct Item {
        QString text;
        int icon = -1;
        qint64 value = 0;
        bool enabled = true;
    };

    explicit CCustomComboBox(QWidget* parent = nullptr);
    ~CCustomComboBox() override;

    // Adds an item at the end and returns its index.
    int AddString(const QString& text, qint64 value = 0, int icon = -1);
    // Deletes the item at index; false when there is none. An item before
    // the selection moves the selection one up; the selected item itself
    // leaves nothing selected.
    bool DeleteString(int index);
    void ResetContent();
    int GetCount() const { return static_cast<int>(m_items.size()); }

    QString GetItemText(int index) const;  // empty when out of range
    bool SetItemText(int index, const QString& text);
    qint64 GetItemData(int index) const;  // 0 when out of range
    bool SetItemData(int index, qint64 value);
    bool IsItemEnabled(int index) const;
    bool SetItemEnabled(int index, bool enabled);
    const Item* ItemAt(int index) const;

    // Selection: -1 when none. SetCurSel(-1) clears it; an index out of
    // range is refused (returns false, selection unchanged).
    int GetCurSel() const { return m_selected; }
    bool SetCurSel(int index);
    QString GetSelectedText() const;  // empty when none is selected

    void SetPlaceholderText(const QString& text);
    QString PlaceholderText() const { return m_placeholder; }

    // The template loading dialog's look: ComboStyle::TemplateDialog(),
    // "Microsoft YaHei" 8 pt weight 400, combox_down.png as the arrow.
    void UseTemplateDialogStyle();

    void SetStyle(const ComboStyle& style);
    const ComboStyle& Style() const { return m_style; }
    void SetFieldHeight(int pixels);  // also resizes the control
    void SetItemHeight(int pixels);
    void SetTextFont(const QFont& font);
    QFont TextFont() const { return m_font; }

    // Arrow images: normal, hovered or dropped, disabled. A path that does
    // not load leaves that state with the drawn triangle.
    void SetArrowImages(const QString& normal, const QString& hot, const QString& disabled);
    void SetArrowImage(const QString& path) { SetArrowImages(path, path, path); }
    void SetIcons(const std::vector<QImage>& icons);
    QImage Icon(int index) const;

    // Drops the list down or closes it.
    void ShowDropDown(bool show = true);
    bool IsDroppedDown() const;
    bool IsHovered() const { return m_hovered; }
    CDropListWnd* DropList() const { return m_dropList; }

    QSize sizeHint() const override;

signals:
    // The operator chose an item from the list (or with the arrow keys).
    void SelectionChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class CDropListWnd;
    friend class CDropListBoxWnd;
    void ChooseFromList(int index);
    void DropListClosed();
    void StepSelection(int step);

    std::vector<Item> m_items;
    std::vector<QImage> m_icons;
    int m_selected = -1;
    QString m_placeholder;
    ComboStyle m_style;
    QFont m_font;
    QImage m_arrow[3];
    bool m_hovered = false;
    QPointer<CDropListWnd> m_dropList;
};

}  // namespace kestrune
