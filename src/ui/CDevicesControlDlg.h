#pragma once

#include "CTDialog.h"

#include <QHash>
#include <QTimer>

#include <string>
#include <vector>

class QLabel;

namespace kestrune {

class CApplicationDlg;
class CGridCtrl;
class CSqlManagement;
class CTButtonPicture;
class CTStaticGdiplus;

// The devices page: the devices of the last scan in a grid with a check box,
// a row number, the MAC and a status icon; the success and failure counters;
// the two delivery buttons; and the watch over a started delivery. Every view
// of a device is a query of the results database.
class CDevicesControlDlg : public CTDialog {
    Q_OBJECT
public:
    CDevicesControlDlg(CApplicationDlg* owner, QWidget* parent);

    // Queries the database, updates the counters, and with fill rebuilds the grid.
    void RefreshDevices(bool fill, int sortColumn);
    // "NIC:" and the adapter in use, with its whole text as the tooltip.
    void UpdateAdapterLabel();

    // Image list indices.
    enum Image : int {
        ImageUnselect = 0,
        ImageSelect = 1,
        ImagePartSelect = 2,
        ImageSuccess = 3,
        ImageError = 4,
        ImageOperating = 5,
        ImageNone = 6,
    };
    enum Column : int { ColumnCheck = 0, ColumnNumber = 1, ColumnMac = 2, ColumnStatus = 3 };

    // The click notice of the grid, and the three watch timers; public so that
    // tests can drive them without waiting.
    void OnGridClick(int row, int column);
    void OnOperationStarted(intptr_t sender);
    void OnWatchTimer1000();
    void OnWatchTimer2000();
    void OnWatchTimer3000();

    CGridCtrl* Grid() const { return m_grid; }
    CTButtonPicture* CustomizationButton() const { return m_customization; }
    CTButtonPicture* AntiTheftButton() const { return m_antiTheft; }
    CTButtonPicture* ChangeButton() const { return m_change; }
    int CheckState(int row) const;
    int CheckedCount() const { return m_checkedCount; }
    int SuccessCount() const { return m_successCount; }
    int FailCount() const { return m_failCount; }
    bool SortAscending() const { return m_ascending; }
    bool Watching() const { return m_timer3000.isActive(); }
    int WatchClock() const { return m_watchClock; }
    const std::vector<std::string>& Selection() const { return m_selection; }
    QString AdapterLabelText() const;
    QString SuccessText() const;
    QString FailText() const;

    // Seconds after which a watch ends whatever the devices did.
    static constexpr int kWatchSeconds = 15;

protected:
    bool event(QEvent* event) override;

private:
    void SetupControls();
    void SetupGrid();
    void LayoutCounters();
    void Rebuild(const std::vector<std::pair<std::string, int>>& rows);
    void UpdateHeaderCheck();
    void ClearChecks();
    void OnDeliveryButton(int page);
    void OnChange();
    void EndWatch();
    void SetControlsEnabled(bool enabled);
    CSqlManagement* Database() const;

    CApplicationDlg* m_owner;
    CTButtonPicture* m_customization = nullptr;
    CTButtonPicture* m_antiTheft = nullptr;
    CTButtonPicture* m_change = nullptr;
    CTStaticGdiplus* m_adapterLabel = nullptr;
    CTStaticGdiplus* m_successLabel = nullptr;
    CTStaticGdiplus* m_successCountLabel = nullptr;
    CTStaticGdiplus* m_failLabel = nullptr;
    CTStaticGdiplus* m_failCountLabel = nullptr;
    CTStaticGdiplus* m_devicesLabel = nullptr;
    CTStaticGdiplus* m_onlineLabel = nullptr;
    CTStaticGdiplus* m_onlineCountLabel = nullptr;
    CGridCtrl* m_grid = nullptr;

    // One state per grid row (index 0 is the header), as many as the grid has.
    std::vector<int> m_checks;
    int m_checkedCount = 0;
    int m_successCount = 0;
    int m_failCount = 0;
    bool m_ascending = true;
    std::vector<std::string> m_selection;
    int m_watchClock = 0;
    // Grid row of each MAC of the last rebuild, so a watch tick finds rows at once.
    QHash<QString, int> m_macRows;
    QTimer m_timer1000;
    QTimer m_timer2000;
    QTimer m_timer3000;
};

}  // namespace kestrune
