#pragma once

#include <QEvent>

#include <cstdint>

// Page numbers of the main window and the notices its children post to each other.
namespace kestrune {

enum PageId : int {
    PageSelectAdapter = 160,
    PageDevicesControl = 161,
    PageDeviceCustomization = 162,
    PageAntiTheftProtection = 163,
};

// The operation-started notices the delivery dialogs post to the devices page.
inline constexpr int kOperationStartedAntiTheft = 1124;
inline constexpr int kOperationStartedCustomization = 1125;

// A posted notice with the two parameters a window message carries.
class PostedMessage : public QEvent {
public:
    PostedMessage(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message)), m_wParam(wParam), m_lParam(lParam)
    {
    }
    intptr_t WParam() const { return m_wParam; }
    intptr_t LParam() const { return m_lParam; }

private:
    intptr_t m_wParam;
    intptr_t m_lParam;
};

}  // namespace kestrune
