#pragma once

#include "CTDialog.h"
#include "ScanDecision.h"

#include <QString>
#include <QTimer>

#include <optional>

namespace kestrune {

class CApplicationDlg;
class CCustomComboBox;
class CTButtonPicture;
class CTPicture;
class CTStaticGdiplus;

// The display text of the adapter in use, set by the adapter page's fill and
// each scan; the devices page shows it.
QString CurrentAdapterText();
void SetCurrentAdapterText(const QString& text);

// Whether this process may open raw captures (root, or the raw-capture capability).
bool CapturePermitted();
// Tests pretend either answer; nullopt goes back to asking the system.
void OverrideCapturePermitted(std::optional<bool> permitted);
// The command that gives an executable the capabilities it needs for captures.
QString CaptureCapabilityCommand(const QString& executable);

// The adapter page: the adapter box, "Scan Devices" and the one-second timer
// that ends a scan once no new device arrives, then shows the devices page.
class CSelectAdapterDlg : public CTDialog {
    Q_OBJECT
public:
    CSelectAdapterDlg(CApplicationDlg* owner, QWidget* parent);
    ~CSelectAdapterDlg() override;

    // Reads the adapter list and fills the box, keeping the remembered choice.
    void FillAdapterBox();

    // The click and the timer tick; public so tests can drive them.
    void OnScanClicked();
    void OnScanTimer();

    CCustomComboBox* AdapterBox() const { return m_adapterBox; }
    CTButtonPicture* ScanButton() const { return m_scanButton; }
    CTPicture* WaitAnimation() const { return m_waitAnimation; }
    CTStaticGdiplus* HintLine() const { return m_hintLine; }
    // The whole text of the bottom line (the line itself may show less).
    QString HintText() const;
    bool ScanAllowed() const { return m_scanAllowed; }
    bool Scanning() const { return !m_scanAllowed; }
    const QString& RememberedChoice() const { return m_remembered; }
    QTimer& ScanTimer() { return m_timer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Applies the box's selected adapter; false when it is no longer present.
    bool ApplySelection();
    // The bottom line, and the whole text behind it for its tooltip and click.
    void SetHint(const QString& line, const QString& full = QString());
    void ShowIdleHint();
    void FinishScan();

    CApplicationDlg* m_owner;
    CTPicture* m_logo = nullptr;
    CTStaticGdiplus* m_caption = nullptr;
    CCustomComboBox* m_adapterBox = nullptr;
    CTButtonPicture* m_scanButton = nullptr;
    CTStaticGdiplus* m_hintLine = nullptr;
    CTPicture* m_waitAnimation = nullptr;
    QString m_remembered;
    QString m_hint;
    bool m_scanAllowed = true;
    ScanDecision m_decision;
    QTimer m_timer;
};

}  // namespace kestrune
