#pragma once

#include "CTDialog.h"

#include <string>
#include <vector>

namespace kestrune {

class CApplicationDlg;
class CTButtonPicture;
class CTStaticGdiplus;

// What the devices page needs of a delivery dialog: the ticked devices.
class DeliveryPage {
public:
    virtual ~DeliveryPage() = default;
    // Replaces the dialog's device list with the MAC texts of the ticked rows.
    virtual void SetDeviceList(const std::vector<std::string>& macs) = 0;
    // Puts the keyboard focus where the operator starts typing.
    virtual void FocusFirstField() {}
};

// Stands in for a delivery dialog that is not built yet: a page of the
// dialog's size with its title and a close button back to the devices page.
class CDeliveryPlaceholderDlg : public CTDialog, public DeliveryPage {
    Q_OBJECT
public:
    CDeliveryPlaceholderDlg(CApplicationDlg* owner, const QString& title, const QSize& size,
                            QWidget* parent);

    void SetDeviceList(const std::vector<std::string>& macs) override { m_macs = macs; }
    const std::vector<std::string>& DeviceList() const { return m_macs; }
    QString Title() const;
    CTButtonPicture* CloseButton() const { return m_close; }

private:
    CApplicationDlg* m_owner;
    CTStaticGdiplus* m_title = nullptr;
    CTButtonPicture* m_close = nullptr;
    std::vector<std::string> m_macs;
};

}  // namespace kestrune
