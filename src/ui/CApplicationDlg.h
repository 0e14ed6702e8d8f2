#pragma once

#include "CTDialog.h"
#include "SkinPaths.h"

#include <QIcon>

#include <string>
#include <vector>

class QMenu;
class QSystemTrayIcon;

namespace kestrune {

class CDevicesControlDlg;
class CSelectAdapterDlg;
class CSqlManagement;
class CTButtonPicture;
class DeliveryPage;

// The one top-level window: frameless, 817 x 540, centred. It owns the four
// pages (adapter page, devices page, anti-theft and customization dialogs),
// shows one at a time, and keeps an icon in the tray through which a hidden
// window comes back or the program ends. Closing it ends the program.
class CApplicationDlg : public CTDialog {
    Q_OBJECT
public:
    explicit CApplicationDlg(QWidget* parent = nullptr);
    ~CApplicationDlg() override;

    // 161 shows the devices page; any other id the adapter page.
    void ShowPage(int page);
    // Shows a delivery dialog (162 or 163) in place of the pages and hands
    // it the selection.
    void ShowDeliveryPage(int page, const std::vector<std::string>& selection);
    void SetMainBackground(SkinImage image);
    SkinImage MainBackground() const { return m_background; }
    // 1: "btn_close_normal.png" as the normal image; 2: "btn_close_normal2.png".
    void SetCloseImageSet(int set);
    int CloseImageSet() const { return m_closeImageSet; }

    CSelectAdapterDlg* AdapterPage() const { return m_adapterPage; }
    CDevicesControlDlg* DevicesPage() const { return m_devicesPage; }
    CTDialog* AntiTheftPage() const { return m_antiTheftPage; }
    CTDialog* CustomizationPage() const { return m_customizationPage; }
    CTButtonPicture* MinimiseButton() const { return m_minimise; }
    CTButtonPicture* CloseButton() const { return m_close; }
    CTButtonPicture* InfoButton() const { return m_info; }
    QSystemTrayIcon* TrayIcon() const { return m_tray; }
    QMenu* TrayMenu() const { return m_trayMenu; }
    // The results database the pages read (the process's own unless a test sets another).
    CSqlManagement* Database() const { return m_database; }
    void SetDatabase(CSqlManagement* database) { m_database = database; }

    // Minimise hides the window when a tray icon can bring it back, and
    // minimises it otherwise.
    void OnMinimise();
    void ShowUtility();
    void OnExit();
    void ShowAbout();

    // The program's icon, drawn once.
    static QIcon ApplicationIcon();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateTrayIcon();
    void HideChildren();

    CTButtonPicture* m_minimise = nullptr;
    CTButtonPicture* m_close = nullptr;
    CTButtonPicture* m_info = nullptr;
    CSelectAdapterDlg* m_adapterPage = nullptr;
    CDevicesControlDlg* m_devicesPage = nullptr;
    CTDialog* m_antiTheftPage = nullptr;
    CTDialog* m_customizationPage = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    SkinImage m_background = SkinImage::MainBkPng;
    int m_closeImageSet = 1;
    CSqlManagement* m_database = nullptr;
};

}  // namespace kestrune
