#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QRect>
#include <QString>
#include <QTimer>

namespace kestrune {

class CCustomComboBox;

// The list inside a dropped list: one row per combo item, the hovered and
// the selected item highlighted, a tick on the selected one, separators
// between rows, and a tool tip for texts that do not fit.
class CDropListBoxWnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Tool tip timing: delay before the first tip, time shown, delay when
    // moving from one tip to the next.
    static constexpr int kTipDelayMs = 300;
    static constexpr int kTipShownMs = 8000;
    static constexpr int kTipReshowMs = 100;

    CDropListBoxWnd(CCustomComboBox* combo, QWidget* parent);
    ~CDropListBoxWnd() override;

    int HoveredIndex() const { return m_hovered; }
    void SetHoveredIndex(int index);
    int IndexAt(const QPoint& viewportPos) const;
    QRect ItemRect(int index) const;  // in viewport coordinates
    // The whole text when the item's text does not fit its row, else empty.
    QString ToolTipTextAt(int index) const;
    void EnsureVisible(int index);
    void UpdateRange();

signals:
    void ItemClicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowTip();
    int TextRight(int index) const;

    CCustomComboBox* m_combo;
    int m_hovered = -1;
    int m_tipIndex = -1;
    QTimer m_tipTimer;
    QElapsedTimer m_sinceTip;
    bool m_tipShownOnce = false;
};

}  // namespace kestrune
