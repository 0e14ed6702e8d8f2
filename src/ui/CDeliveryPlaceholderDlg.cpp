#include "CDeliveryPlaceholderDlg.h"

#include "CApplicationDlg.h"
#include "CTButtonPicture.h"
#include "CTStaticGdiplus.h"
#include "SkinPaths.h"
#include "TranslateWindow.h"
#include "WindowMessages.h"

namespace kestrune {

CDeliveryPlaceholderDlg::CDeliveryPlaceholderDlg(CApplicationDlg* owner, const QString& title,
                                                 const QSize& size, QWidget* parent)
    : CTDialog(parent, Qt::Widget), m_owner(owner)
{
    m_title = new CTStaticGdiplus(title, this);
    m_close = new CTButtonPicture(this);
    TranslateWindow(this);
    SetBackgroundColor(Qt::white);
    SetFillBackground(true);
    setFixedSize(size);
    SetRoundedCorners(8, 8);
    m_title->setGeometry(16, 11, 200, 18);
    m_title->SetTextFont(17, 600);
    m_title->SetTextColor(QColor(68, 68, 79));
    m_close->setGeometry(size.width() - 28, 12, 16, 16);
    m_close->SetImage(SkinPath(SkinImage::BtnChildClose));
    connect(m_close, &QPushButton::clicked, this, [this] {
        if (m_owner)
            m_owner->ShowPage(PageDevicesControl);
    });
}

QString CDeliveryPlaceholderDlg::Title() const
{
    return m_title->Text();
}

}  // namespace kestrune
